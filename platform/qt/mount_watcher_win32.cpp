// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include <dbt.h>

#include <QCoreApplication>

#include "qt/mount_watcher.h"

namespace varnoth {

MountWatcher::MountWatcher(const std::string& /*mountInfo*/, QObject* parent)
    : QObject(parent), drives_(ReadMountedDrives()) {
  QCoreApplication::instance()->installNativeEventFilter(this);
}

MountWatcher::~MountWatcher() {
  QCoreApplication::instance()->removeNativeEventFilter(this);
}

void MountWatcher::reread() {
  auto drives = ReadMountedDrives();
  if (drives == drives_)
    return;
  drives_ = std::move(drives);
  emit drivesChanged(drives_);
}

bool MountWatcher::nativeEventFilter(const QByteArray& /*eventType*/, void* message,
                                     qintptr* /*result*/) {
  const auto* msg = static_cast<const MSG*>(message);
  if (msg->message == WM_DEVICECHANGE &&
      (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE)) {
    reread();
  }
  return false;  // other windows and Qt itself may want it too
}

}  // namespace varnoth
