// SPDX-License-Identifier: GPL-3.0-or-later
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

  friend bool operator==(const Drive&, const Drive&) = default;
};

#ifdef _WIN32
// The drives of this machine from GetLogicalDriveStringsW, "C:\" and so on, each with its volume
// label where the medium can be read; a drive without a medium is listed without one.
std::vector<Drive> ReadMountedDrives();
#else
// Parses /proc/self/mountinfo text into the drives a user would care about: pseudo file systems
// (proc, sysfs, cgroup, devpts, ...) and system mounts under /proc, /sys, /dev and /run are left
// out; a mount point mounted twice is listed once. `labels` maps a device path to its volume name.
std::vector<Drive> ParseMountInfo(std::string_view mountInfo,
                                  const std::map<std::string, std::string>& labels);

// The drives of this machine, sorted by mount point, read from `mountInfo` (the mount table in
// the format of /proc/self/mountinfo); the root alone when nothing can be read.
std::vector<Drive> ReadMountedDrives(const std::string& mountInfo = "/proc/self/mountinfo");
// The same from an open mount table, read again from its start: the kernel answers every read
// of /proc/self/mountinfo that starts at offset 0 with the table as it is now.
std::vector<Drive> ReadMountedDrives(int mountInfoFd);

// Every mount point in `mountInfo` (the format of /proc/self/mountinfo), system mounts included.
std::vector<std::string> ParseMountPoints(std::string_view mountInfo);
// The longest of `mountPoints` that holds `path` by its spelling: the kernel's table is read, the
// file system is not touched. "/" when none does.
std::string MountPointHolding(std::string_view path, const std::vector<std::string>& mountPoints);
#endif

// Whether `path` is `tree` or lies below it, by spelling; on Windows without regard to the case
// of ASCII letters, as its file systems name files, and with either separator.
bool IsPathUnder(std::string_view path, std::string_view tree);

// How a drive list names a drive: its volume name, or else the last component of its mount
// point, then the mount point itself ("EOS_DIGITAL  (/media/anna/EOS_DIGITAL)"); "/" for the
// root. The name comes first because a narrow list shows only the start of each entry. On
// Windows the drive, then its label: "C: [SYSTEM]".
std::string DriveCaption(const Drive& drive);

// The drives of the machine and the last directory visited on each, shared by the window's drive
// and directory lists, so that choosing a drive returns to where the user was on it.
class DriveTable {
 public:
  explicit DriveTable(std::vector<Drive> drives);

  const std::vector<Drive>& drives() const { return drives_; }
  // The machine's drives after a mount or unmount; the directories visited are kept, so a card
  // taken out and put back returns the user to where they were on it.
  void setDrives(std::vector<Drive> drives) { drives_ = std::move(drives); }
  bool isMounted(const std::string& mountPoint) const;
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
