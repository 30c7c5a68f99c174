// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>

namespace varnoth {

class FileListing;

// Shows a FileListing's entries; resets in one step whenever the listing re-reads.
class FileListModel final : public QAbstractListModel {
  Q_OBJECT
 public:
  FileListModel(FileListing& listing, QObject* parent);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  int rows() const;

  FileListing& listing_;
  // The listing's count, asked for once per reset: the view asks for it for every row as it lays
  // out the list.
  mutable int rows_ = -1;
};

}  // namespace varnoth
