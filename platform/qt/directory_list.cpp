#include "qt/directory_list.h"

#include <QKeyEvent>
#include <QStyle>

#include "directory_tree.h"
#include "drives.h"
#include "qt/display_text.h"

namespace varnoth {

namespace {
constexpr int kPathRole = Qt::UserRole;
}

DirectoryList::DirectoryList(std::shared_ptr<DriveTable> drives,
                             const std::string& initialDirectory, QWidget* parent)
    : QTreeWidget(parent), drives_(std::move(drives)) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setIndentation(12);
  setUniformRowHeights(true);
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { open(item); });
  if (showDirectory(initialDirectory))
    showDirectory("/");
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
  const auto items = ReadDirectoryTree(directory, error);
  if (error)
    return error;

  path_ = NormalizeDirectoryPath(directory);
  drives_->visited(path_);

  const QIcon openFolder = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedFolder = style()->standardIcon(QStyle::SP_DirClosedIcon);
  setUpdatesEnabled(false);
  clear();
  QTreeWidgetItem* parent = nullptr;
  QTreeWidgetItem* current = nullptr;
  for (const auto& item : items) {
    auto* row = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    row->setText(0, DisplayText(item.name));
    row->setIcon(0, item.open ? openFolder : closedFolder);
    row->setData(0, kPathRole, QByteArray::fromStdString(item.path));
    if (item.open) {
      parent = row;
      current = row;
    }
  }
  expandAll();
  setCurrentItem(current);
  scrollToItem(current);
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

void DirectoryList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    open(currentItem());
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

}  // namespace varnoth
