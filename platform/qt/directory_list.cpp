// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/directory_list.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include "directory_tree.h"
#include "drives.h"
#include "qt/answered_reads.h"
#include "qt/breakable_text.h"
#include "qt/display_text.h"
#include "qt/folder_icons.h"

namespace varnoth {

namespace {

constexpr int kPathRole = Qt::UserRole;

// The scrolled-to position of a row that starts at `left` and ends at `right` (both at scroll 0),
// in a viewport `width` wide: its end in view, and its start too when the row fits.
int ScrollToShow(int left, int right, int width, int current) {
  if (right - current > width)
    current = right - width;
  if (left < current)
    current = left;
  return current;
}

}  // namespace

DirectoryList::DirectoryList(std::shared_ptr<DriveTable> drives,
                             const std::string& initialDirectory, QWidget* parent)
    : QTreeWidget(parent), drives_(std::move(drives)), read_(AnsweredReader(*this)) {
  setHeaderHidden(true);
  setColumnCount(1);
  // A hidden header is still offered to screen readers, which would read its default "1".
  setHeaderLabels({QString()});
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setIndentation(12);
  setUniformRowHeights(true);
  // Deep paths indent far: names are shown whole and the list scrolls sideways instead.
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  // Where the scroll bars meet, the window's desktop colour would show through.
  auto* corner = new QWidget(this);
  QPalette cornerPalette;
  cornerPalette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
  corner->setPalette(cornerPalette);
  corner->setAutoFillBackground(true);
  setCornerWidget(corner);
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { open(item); });
  if (!initialDirectory.empty())
    showStart(initialDirectory);
}

void DirectoryList::showStart(const std::string& directory) {
  if (showDirectory(directory))
    showDirectory(RootOf(directory));
}

std::error_code DirectoryList::setPath(const std::string& directory) {
  const std::string before = path_;
  if (auto error = showDirectory(directory))
    return error;
  if (path_ != before)
    emit pathChanged();
  return {};
}

std::error_code DirectoryList::setDrive(const std::string& drive) {
  if (!drives_->isMounted(drive))
    return std::make_error_code(std::errc::no_such_device);
  const std::string remembered = drives_->currentDirectoryOn(drive);
  std::error_code error = setPath(remembered);
  // The remembered directory may have gone; the drive itself may still be there.
  if (error && remembered != drive)
    error = setPath(drive);
  return error;
}

std::error_code DirectoryList::refresh() {
  return showDirectory(path_);
}

std::error_code DirectoryList::showDirectory(const std::string& directory) {
  std::error_code error;
  const auto items = ReadDirectoryTree(directory, error, read_);
  if (error)
    return error;

  path_ = NormalizeDirectoryPath(directory);
  drives_->visited(path_);

  const QIcon openFolder = FolderIcon(FolderLook::kOpen);
  const QIcon closedFolder = FolderIcon(FolderLook::kClosed);
  setUpdatesEnabled(false);
  clear();
  QTreeWidgetItem* parent = nullptr;
  QTreeWidgetItem* current = nullptr;
  for (const auto& item : items) {
    auto* row = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    row->setText(0, DisplayNameText(item.name));
    row->setToolTip(0, WholeTextToolTip(DisplayNameText(item.path)));
    row->setIcon(0, item.open ? openFolder : closedFolder);
    row->setData(0, kPathRole, QByteArray::fromStdString(item.path));
    if (item.open) {
      parent = row;
      current = row;
    }
  }
  // The current directory stays marked when the user selects another row.
  if (current) {
    // Only the weight: the rest follows the list's font, which the window may set later.
    QFont bold;
    bold.setBold(true);
    current->setFont(0, bold);
  }
  currentDirectory_ = current;
  expandAll();
  setCurrentItem(current);
  revealCurrentDirectory();
  setUpdatesEnabled(true);
  return {};
}

void DirectoryList::open(QTreeWidgetItem* item) {
  if (!item)
    return;
  const std::string target = item->data(0, kPathRole).toByteArray().toStdString();
  if (auto error = setPath(target)) {
    emit openFailed(target, error);
  }
}

void DirectoryList::revealCurrentDirectory() {
  if (!currentDirectory_)
    return;
  // The column and the scroll bars take their sizes from the rows now, not at the next paint.
  doItemsLayout();
  updateGeometries();
  scrollToItem(currentDirectory_);
  const QModelIndex index = indexFromItem(currentDirectory_);
  const int scrolled = horizontalScrollBar()->value();
  const QRect row = visualRect(index).translated(scrolled, 0);
  const int textEnd = row.left() + sizeHintForIndex(index).width();
  horizontalScrollBar()->setValue(ScrollToShow(row.left(), textEnd, viewport()->width(), scrolled));
}

void DirectoryList::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  revealCurrentDirectory();
}

void DirectoryList::showEvent(QShowEvent* event) {
  QTreeWidget::showEvent(event);
  revealCurrentDirectory();
}

void DirectoryList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    open(currentItem());
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

}  // namespace varnoth
