// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTreeWidget>
#include <memory>
#include <string>
#include <system_error>

#include "directory_snapshot.h"
#include "ports/file_list.h"

namespace varnoth {

class DriveTable;

// A directory list in the classic look: the path's ancestors from the root down, the current
// directory, then its sub-directories indented. Double-click or Enter opens an entry. Notifies
// pathChanged synchronously whenever the path changes.
class DirectoryList final : public QTreeWidget, public DirectoryPathSource {
  Q_OBJECT
 public:
  DirectoryList(std::shared_ptr<DriveTable> drives, const std::string& initialDirectory,
                QWidget* parent = nullptr);

  // Shows `directory`, or its root where it cannot be read. A list made with an empty initial
  // directory shows nothing until then.
  void showStart(const std::string& directory);

  std::string path() const override { return path_; }
  // Fails with the system's reason when the directory cannot be read, leaving the list as it was.
  std::error_code setPath(const std::string& directory);
  // Moves to the directory last visited on `drive` (its root at first). Fails with "no such
  // device" when the drive is no longer mounted, even if its empty mount point is still there.
  std::error_code setDrive(const std::string& drive);
  std::error_code refresh();

 signals:
  void pathChanged();
  // The user asked to open a directory that cannot be read.
  void openFailed(const std::string& path, std::error_code error);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Every level is always open; expand and collapse marks would only mislead.
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

 private:
  std::error_code showDirectory(const std::string& directory);
  void open(QTreeWidgetItem* item);
  // Scrolls so that the current directory's row, its whole name included, is in view.
  void revealCurrentDirectory();

  std::shared_ptr<DriveTable> drives_;
  SnapshotReader read_;
  std::string path_;
  QTreeWidgetItem* currentDirectory_ = nullptr;
};

}  // namespace varnoth
