// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/file_list_view.h"

#include <QItemSelectionModel>

#include "qt/answered_reads.h"
#include "qt/file_list_model.h"
#include "qt/widest_row_delegate.h"

namespace varnoth {

FileListView::FileListView(const std::string& directory, QWidget* parent)
    : QListView(parent),
      listing_(directory, "*", AnsweredReader(*this)),
      model_(new FileListModel(listing_, this)) {
  // Uniform sizes let the view lay out 100,000 rows without measuring each one.
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setModel(model_);
  // Long names are shown whole: the list scrolls sideways, as the directory lists do.
  setItemDelegate(new WidestRowDelegate(
      [this] { return listing_.count(); },
      [this](std::size_t row) -> const std::string& { return listing_.entry(row); },
      [this] { return listing_.entries(); }, this));
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &FileListView::copySelection);
}

FileListView::~FileListView() {
  listing_.setResetCallbacks(nullptr, nullptr);
}

void FileListView::copySelection(const QItemSelection& selected, const QItemSelection& deselected) {
  for (const auto& range : deselected) {
    for (int row = range.top(); row <= range.bottom(); ++row) {
      listing_.setSelected(static_cast<std::size_t>(row), false);
    }
  }
  for (const auto& range : selected) {
    for (int row = range.top(); row <= range.bottom(); ++row) {
      listing_.setSelected(static_cast<std::size_t>(row), true);
    }
  }
}

}  // namespace varnoth
