#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace varnoth {

// A mounted file system the user may browse: its mount point and, where known, its volume name.
struct Drive {
  std::string mountPoint;
  std::string volumeName;
};

// Parses /proc/self/mountinfo text into the drives a user would care about: pseudo file systems
// (proc, sysfs, cgroup, devpts, ...) and system mounts under /proc, /sys, /dev and /run are left
// out; a mount point mounted twice is listed once. `labels` maps a device path to its volume name.
std::vector<Drive> ParseMountInfo(std::string_view mountInfo,
                                  const std::map<std::string, std::string>& labels);

// The drives of this machine, sorted by mount point.
std::vector<Drive> ReadMountedDrives();

// The drives of the machine and the last directory visited on each, shared by the window's drive
// and directory lists, so that choosing a drive returns to where the user was on it.
class DriveTable {
 public:
  explicit DriveTable(std::vector<Drive> drives);

  const std::vector<Drive>& drives() const { return drives_; }
  // The mount point holding `path` (the longest mount point that is a path prefix of it).
  std::string driveOf(const std::string& path) const;
  // The directory last visited on `drive`, its root at first.
  std::string currentDirectoryOn(const std::string& drive) const;
  void visited(const std::string& directory);

 private:
  std::vector<Drive> drives_;
  std::map<std::string, std::string> lastVisited_;
};

}  // namespace varnoth
