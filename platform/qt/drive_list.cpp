// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/drive_list.h"

#include <QAbstractItemView>
#include <algorithm>

#include "qt/accessibility.h"
#include "qt/breakable_text.h"
#include "qt/display_text.h"

namespace varnoth {

namespace {

QByteArray Key(const std::string& mountPoint) {
  return QByteArray::fromStdString(mountPoint);
}

}  // namespace

DriveList::DriveList(std::shared_ptr<const DriveTable> drives, const std::string& initialDirectory,
                     QWidget* parent)
    : QComboBox(parent), drives_(std::move(drives)) {
  InstallAccessibleInterfaces();
  showDrive(drives_->driveOf(initialDirectory));
  connect(this, &QComboBox::activated, this, &DriveList::choose);
}

void DriveList::fillItems() {
  std::vector<Drive> listed = drives_->drives();
  const bool gone = !drives_->isMounted(drive_.mountPoint) && !drive_.mountPoint.empty();
  if (gone) {
    listed.insert(std::upper_bound(
                      listed.begin(), listed.end(), drive_,
                      [](const Drive& a, const Drive& b) { return a.mountPoint < b.mountPoint; }),
                  drive_);
  }
  clear();
  for (const auto& drive : listed) {
    addItem(DisplayText(DriveCaption(drive)), Key(drive.mountPoint));
    setItemData(count() - 1, WholeTextToolTip(DisplayNameText(drive.mountPoint)), Qt::ToolTipRole);
  }
  setCurrentIndex(findData(Key(drive_.mountPoint)));
}

void DriveList::showPopup() {
  // Not every style widens the drop-down to its entries; every mount point should show whole.
  QAbstractItemView* items = view();
  items->setMinimumWidth(items->sizeHintForColumn(0) + 2 * items->frameWidth() +
                         style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  QComboBox::showPopup();
}

void DriveList::showDrive(const std::string& mountPoint) {
  const auto& all = drives_->drives();
  auto known = std::find_if(all.begin(), all.end(),
                            [&](const Drive& drive) { return drive.mountPoint == mountPoint; });
  const bool wasGone = !drive_.mountPoint.empty() && !drives_->isMounted(drive_.mountPoint);
  if (known != all.end())
    drive_ = *known;
  else if (drive_.mountPoint != mountPoint)
    drive_ = Drive{mountPoint, ""};
  if (wasGone || findData(Key(drive_.mountPoint)) < 0)
    fillItems();
  else
    setCurrentIndex(findData(Key(drive_.mountPoint)));
}

void DriveList::drivesChanged() {
  fillItems();
}

void DriveList::choose(int index) {
  showDrive(itemData(index).toByteArray().toStdString());
  emit driveChanged();
}

void DriveList::showDriveOf(const std::string& directory) {
  showDrive(drives_->driveOf(directory));
}

void DriveList::setDrive(const std::string& drive) {
  if (drive == drive_.mountPoint)
    return;
  showDrive(drive);
  emit driveChanged();
}

}  // namespace varnoth
