// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <memory>
#include <string>

#include "drives.h"

namespace varnoth {

// A drop-down of the machine's drives. Notifies driveChanged synchronously whenever its drive
// changes, whether the user chose it or the logic set it, and whenever the user chooses the drive
// it already shows, so that a drive that failed can be tried again.
class DriveList final : public QComboBox {
  Q_OBJECT
 public:
  DriveList(std::shared_ptr<const DriveTable> drives, const std::string& initialDirectory,
            QWidget* parent = nullptr);

  std::string drive() const { return drive_.mountPoint; }
  void setDrive(const std::string& drive);
  // Shows the drive holding `directory` without notifying: a directory list can walk onto
  // another mounted file system, and the drive list should then say where the user is.
  void showDriveOf(const std::string& directory);
  // Shows the drives of the table again after a mount or unmount. A drive that has gone stays
  // listed while it is the one shown, so the list never changes under the user's eyes.
  void drivesChanged();
  void showPopup() override;

 signals:
  void driveChanged();

 private:
  void choose(int index);
  void showDrive(const std::string& mountPoint);
  void fillItems();

  std::shared_ptr<const DriveTable> drives_;
  Drive drive_;
};

}  // namespace varnoth
