// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "current_directory.h"
#include "drives.h"
#include "ports/path_separator.h"

namespace varnoth {

namespace {

// Whether `path` is `mountPoint` or lies below it; a mount point that ends in the separator is a
// root ("/", "C:\").
bool Holds(std::string_view mountPoint, std::string_view path) {
  if (path.substr(0, mountPoint.size()) != mountPoint)
    return false;
  return path.size() == mountPoint.size() || mountPoint.back() == kPathSeparator ||
         path[mountPoint.size()] == kPathSeparator;
}

}  // namespace

DriveTable::DriveTable(std::vector<Drive> drives) : drives_(std::move(drives)) {}

std::string DriveTable::driveOf(const std::string& path) const {
  std::string best = kPathSeparator == '/' ? "/" : "";
  for (const auto& drive : drives_) {
    const std::string& mount = drive.mountPoint;
    if (!mount.empty() && Holds(mount, path) && mount.size() >= best.size())
      best = mount;
  }
  return best;
}

bool DriveTable::isMounted(const std::string& mountPoint) const {
  return std::any_of(drives_.begin(), drives_.end(),
                     [&](const Drive& drive) { return drive.mountPoint == mountPoint; });
}

std::string DriveTable::currentDirectoryOn(const std::string& drive) const {
  auto it = lastVisited_.find(drive);
  return it == lastVisited_.end() ? StartDirectoryOn(drive) : it->second;
}

void DriveTable::visited(const std::string& directory) {
  lastVisited_[driveOf(directory)] = directory;
}

}  // namespace varnoth
