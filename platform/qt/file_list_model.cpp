// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/file_list_model.h"

#include "file_listing.h"
#include "qt/breakable_text.h"
#include "qt/display_text.h"

namespace varnoth {

FileListModel::FileListModel(FileListing& listing, QObject* parent)
    : QAbstractListModel(parent), listing_(listing) {
  listing_.setResetCallbacks([this] { beginResetModel(); },
                             [this] {
                               rows_ = -1;
                               endResetModel();
                             });
}

int FileListModel::rows() const {
  if (rows_ < 0)
    rows_ = static_cast<int>(listing_.count());
  return rows_;
}

// The view asks for every row's index as it lays out the list, 100,000 times for a big folder;
// the base class's check goes through two virtual calls for each.
QModelIndex FileListModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || column != 0 || row < 0 || row >= rows())
    return {};
  return createIndex(row, column);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() ||
      index.row() >= rows()) {
    return {};
  }
  const QString name = DisplayNameText(listing_.entry(static_cast<std::size_t>(index.row())));
  return role == Qt::ToolTipRole ? WholeTextToolTip(name) : name;
}

}  // namespace varnoth
