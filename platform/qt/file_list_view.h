// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListView>
#include <memory>
#include <string>

#include "file_listing.h"

class QItemSelection;

namespace varnoth {

class FileListModel;

// A file list control: a FileListing shown with extended selection. The view's selection is kept
// in the listing's flags, which is what the logic reads.
class FileListView final : public QListView {
  Q_OBJECT
 public:
  explicit FileListView(const std::string& directory, QWidget* parent = nullptr);
  ~FileListView() override;

  FileListing& listing() { return listing_; }

 private:
  void copySelection(const QItemSelection& selected, const QItemSelection& deselected);

  FileListing listing_;
  FileListModel* model_;
};

}  // namespace varnoth
