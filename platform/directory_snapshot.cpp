#include "directory_snapshot.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>

#include "natural_order.h"
#include "unique_fd.h"

namespace varnoth {

namespace {

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool Unchanged(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && SameTime(a.st_mtim, b.st_mtim) &&
         SameTime(a.st_ctim, b.st_ctim);
}

// File systems stamp times from a coarse clock (a jiffy on ext4, two seconds on FAT), so a file
// created in the same tick as a read may leave the directory's time as the read saw it. A read
// only proves anything about later calls when the directory's last change was already at least
// that coarsest tick older than the clock as the read began.
bool OldEnoughToTrust(const timespec& modified, const timespec& readStart) {
  constexpr std::chrono::seconds kCoarsestTimestamp{2};
  const auto age = std::chrono::seconds(readStart.tv_sec - modified.tv_sec) +
                   std::chrono::nanoseconds(readStart.tv_nsec - modified.tv_nsec);
  return age >= kCoarsestTimestamp;
}

enum class EntryKind { kHidden, kFile, kDirectory, kOther };

EntryKind KindOf(int directoryFd, const dirent& entry) {
  if (entry.d_name[0] == '.')
    return EntryKind::kHidden;
  unsigned char type = entry.d_type;
  if (type == DT_UNKNOWN) {
    // Some file systems do not report the type in the directory entry itself.
    struct stat status;
    if (fstatat(directoryFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
      return EntryKind::kOther;
    type = S_ISREG(status.st_mode) ? DT_REG : S_ISDIR(status.st_mode) ? DT_DIR : DT_UNKNOWN;
  }
  if (type == DT_REG)
    return EntryKind::kFile;
  return type == DT_DIR ? EntryKind::kDirectory : EntryKind::kOther;
}

// Takes `directoryFd` over.
std::error_code ReadNames(int directoryFd, DirectorySnapshot& snapshot) {
  DIR* directory = fdopendir(directoryFd);
  if (!directory) {
    const std::error_code error = LastError();
    close(directoryFd);
    return error;
  }
  std::error_code error;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(directory);
    if (!entry) {
      if (errno != 0)
        error = LastError();
      break;
    }
    switch (KindOf(dirfd(directory), *entry)) {
      case EntryKind::kFile:
        snapshot.names.emplace_back(entry->d_name);
        break;
      case EntryKind::kDirectory:
        snapshot.subdirectories.emplace_back(entry->d_name);
        break;
      case EntryKind::kHidden:
      case EntryKind::kOther:
        break;
    }
  }
  closedir(directory);
  return error;
}

// The window reads the same few directories several times per keystroke, and a directory of
// 100,000 files costs tens of milliseconds to read.
class SnapshotCache {
 public:
  std::shared_ptr<const DirectorySnapshot> find(const struct stat& now) {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->status.st_dev != now.st_dev || it->status.st_ino != now.st_ino)
        continue;
      if (!Unchanged(it->status, now)) {
        entries_.erase(it);
        return nullptr;
      }
      entries_.splice(entries_.begin(), entries_, it);
      return it->snapshot;
    }
    return nullptr;
  }

  void remember(const struct stat& status, std::shared_ptr<const DirectorySnapshot> snapshot) {
    std::lock_guard lock(mutex_);
    entries_.remove_if([&](const Entry& entry) {
      return entry.status.st_dev == status.st_dev && entry.status.st_ino == status.st_ino;
    });
    entries_.push_front({status, std::move(snapshot)});
    if (entries_.size() > kCapacity)
      entries_.pop_back();
  }

 private:
  struct Entry {
    struct stat status;
    std::shared_ptr<const DirectorySnapshot> snapshot;
  };
  static constexpr std::size_t kCapacity = 4;

  std::mutex mutex_;
  std::list<Entry> entries_;  // most recently used first
};

SnapshotCache& Cache() {
  static SnapshotCache cache;
  return cache;
}

}  // namespace

std::shared_ptr<const DirectorySnapshot> ReadDirectorySnapshot(const std::string& directory,
                                                               std::error_code& error) {
  error.clear();
  struct stat status;
  if (stat(directory.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    if (auto cached = Cache().find(status))
      return cached;
  }

  // The clock first, then the directory's times, then its entries: a change at any point after
  // the clock was read leaves a time that fails either the trust test or the comparison.
  timespec readStart;
  clock_gettime(CLOCK_REALTIME, &readStart);
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error = LastError();
    return nullptr;
  }
  if (fstat(fd, &status) != 0) {
    error = LastError();
    close(fd);
    return nullptr;
  }
  auto snapshot = std::make_shared<DirectorySnapshot>();
  error = ReadNames(fd, *snapshot);
  if (error)
    return nullptr;

  SortNaturally(snapshot->names);
  SortNaturally(snapshot->subdirectories);
  if (OldEnoughToTrust(status.st_mtim, readStart))
    Cache().remember(status, snapshot);
  return snapshot;
}

}  // namespace varnoth
