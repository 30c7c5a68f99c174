#pragma once

#include <QComboBox>
#include <memory>
#include <string>

namespace varnoth {

class DriveTable;

// A drop-down of the machine's drives. Notifies driveChanged synchronously whenever its drive
// changes, whether the user chose it or the logic set it.
class DriveList final : public QComboBox {
  Q_OBJECT
 public:
  DriveList(std::shared_ptr<const DriveTable> drives, const std::string& initialDirectory,
            QWidget* parent = nullptr);

  std::string drive() const { return drive_; }
  void setDrive(const std::string& drive);
  // Shows the drive holding `directory` without notifying: a directory list can walk onto
  // another mounted file system, and the drive list should then say where the user is.
  void showDriveOf(const std::string& directory);

 signals:
  void driveChanged();

 private:
  void choose(int index);

  std::shared_ptr<const DriveTable> drives_;
  std::string drive_;
};

}  // namespace varnoth
