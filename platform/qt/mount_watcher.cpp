// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/mount_watcher.h"

#include <fcntl.h>

#include <QSocketNotifier>

namespace varnoth {

MountWatcher::MountWatcher(const std::string& mountInfo, QObject* parent)
    : QObject(parent), fd_(open(mountInfo.c_str(), O_RDONLY | O_CLOEXEC)) {
  drives_ = fd_ ? ReadMountedDrives(fd_.get()) : ReadMountedDrives(mountInfo);
  if (!fd_)
    return;
  notifier_ = new QSocketNotifier(fd_.get(), QSocketNotifier::Exception, this);
  connect(notifier_, &QSocketNotifier::activated, this, &MountWatcher::reread);
}

MountWatcher::~MountWatcher() {
  // The notifier must stop watching before its descriptor is closed.
  delete notifier_;
}

void MountWatcher::reread() {
  if (!fd_)
    return;
  auto drives = ReadMountedDrives(fd_.get());
  if (drives == drives_)
    return;
  drives_ = std::move(drives);
  emit drivesChanged(drives_);
}

}  // namespace varnoth
