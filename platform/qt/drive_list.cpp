#include "qt/drive_list.h"

#include "drives.h"
#include "qt/display_text.h"

namespace varnoth {

namespace {
QString DriveCaption(const Drive& drive) {
  QString caption = DisplayText(drive.mountPoint);
  if (!drive.volumeName.empty())
    caption += QStringLiteral("  [%1]").arg(DisplayText(drive.volumeName));
  return caption;
}
}  // namespace

DriveList::DriveList(std::shared_ptr<const DriveTable> drives, const std::string& initialDirectory,
                     QWidget* parent)
    : QComboBox(parent), drives_(std::move(drives)) {
  for (const auto& drive : drives_->drives()) {
    addItem(DriveCaption(drive), QByteArray::fromStdString(drive.mountPoint));
  }
  showDriveOf(initialDirectory);
  connect(this, &QComboBox::activated, this, &DriveList::choose);
}

void DriveList::choose(int index) {
  setDrive(itemData(index).toByteArray().toStdString());
}

void DriveList::showDriveOf(const std::string& directory) {
  drive_ = drives_->driveOf(directory);
  setCurrentIndex(findData(QByteArray::fromStdString(drive_)));
}

void DriveList::setDrive(const std::string& drive) {
  const int index = findData(QByteArray::fromStdString(drive));
  if (index >= 0 && index != currentIndex())
    setCurrentIndex(index);
  if (drive == drive_)
    return;
  drive_ = drive;
  emit driveChanged();
}

}  // namespace varnoth
