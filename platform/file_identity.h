// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>

namespace varnoth {

// What tells one state of a file from another without reading it: which file it is, its size,
// and the times that any write or change of its attributes moves on.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  static FileIdentity Of(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
  }
  bool sameFile(const FileIdentity& other) const {
    return device == other.device && inode == other.inode;
  }
  bool sameState(const FileIdentity& other) const {
    return sameFile(other) && size == other.size && Equal(modified, other.modified) &&
           Equal(changed, other.changed);
  }

 private:
  static bool Equal(timespec a, timespec b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
  }
};

}  // namespace varnoth
