// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory_snapshot.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <list>
#include <mutex>
#include <optional>
#include <set>

#include "directory_entries.h"
#include "errand.h"
#include "natural_order.h"
#include "side_thread.h"
#include "unanswered_folders.h"
#include "unique_fd.h"

#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x4000U  // Linux 6.8; glibc 2.36's headers predate it
#endif

namespace varnoth {

namespace {

std::atomic<std::size_t>& ListingLimit() {
  static std::atomic<std::size_t> limit{kMaxListingBytes};
  return limit;
}

constexpr long kExtMagic = 0xEF53;  // ext2, ext3 and ext4
constexpr long kXfsMagic = 0x58465342;
constexpr long kBtrfsMagic = 0x9123683E;
constexpr long kTmpfsMagic = 0x01021994;

// Only local file systems that stamp a directory's times on every change to its entries. FUSE
// (FAT and NTFS cards), network and unknown file systems may leave them unchanged or at 0.
bool KeepsDirectoryTimes(long fileSystemType) {
  switch (fileSystemType) {
    case kExtMagic:
    case kXfsMagic:
    case kBtrfsMagic:
    case kTmpfsMagic:
      return true;
    default:
      return false;
  }
}

struct Time {
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;
  bool operator==(const Time&) const = default;
};

// What a cached read is valid for: one directory on one mount, with the times it had. A card
// swapped at the same mount point can bring the same device and inode numbers, so the mount is
// part of the key.
struct DirectoryStamp {
  std::uint64_t mountId = 0;
  // Older kernels reuse mount IDs after an unmount; there the file system's ID (from its UUID
  // on ext4 and Btrfs) and the directory's birth time tell two cards apart as well.
  std::uint64_t fileSystemId = 0;
  Time born;
  std::uint32_t deviceMajor = 0;
  std::uint32_t deviceMinor = 0;
  std::uint64_t inode = 0;
  Time modified;
  Time changed;
  bool operator==(const DirectoryStamp&) const = default;
};

std::uint64_t FileSystemIdOf(const struct statfs& status) {
  std::uint64_t id;
  static_assert(sizeof id == sizeof status.f_fsid);
  std::memcpy(&id, &status.f_fsid, sizeof id);
  return id;
}

Time TimeOf(const statx_timestamp& time) {
  return {time.tv_sec, time.tv_nsec};
}

struct Stamped {
  DirectoryStamp stamp;
  bool isDirectory = false;
  bool cacheable = false;
};

// The stamp of `path` (or of `fd` itself when `path` is empty); `cacheable` only when a stamp
// proves the directory unchanged. One statx call when the kernel gives unique mount IDs.
std::optional<Stamped> StampOf(int fd, const char* path) {
  struct statx status;
  const int flags = *path ? 0 : AT_EMPTY_PATH;
  if (statx(fd, path, flags, STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID_UNIQUE, &status) != 0)
    return std::nullopt;
  Stamped result;
  result.isDirectory = S_ISDIR(status.stx_mode);
  DirectoryStamp& stamp = result.stamp;
  stamp.mountId = status.stx_mnt_id;
  stamp.deviceMajor = status.stx_dev_major;
  stamp.deviceMinor = status.stx_dev_minor;
  stamp.inode = status.stx_ino;
  stamp.modified = TimeOf(status.stx_mtime);
  stamp.changed = TimeOf(status.stx_ctime);
  const bool uniqueMount = status.stx_mask & STATX_MNT_ID_UNIQUE;
  if (!uniqueMount) {
    if (!(status.stx_mask & STATX_MNT_ID))
      return result;
    struct statfs fileSystem;
    if ((*path ? statfs(path, &fileSystem) : fstatfs(fd, &fileSystem)) != 0)
      return result;
    stamp.fileSystemId = FileSystemIdOf(fileSystem);
    if (status.stx_mask & STATX_BTIME)
      stamp.born = TimeOf(status.stx_btime);
  }
  // A directory time of 0 is a file system that does not keep them.
  result.cacheable = result.isDirectory && stamp.modified != Time{};
  return result;
}

// File systems stamp times from a coarse clock (a jiffy on ext4, two seconds on FAT), so a file
// created in the same tick as a read may leave the directory's time as the read saw it. A read
// only proves anything about later calls when the directory's last change was already at least
// that coarsest tick older than the clock as the read began.
bool OldEnoughToTrust(const Time& modified, const timespec& readStart) {
  constexpr std::chrono::seconds kCoarsestTimestamp{2};
  const auto age = std::chrono::seconds(readStart.tv_sec - modified.seconds) +
                   std::chrono::nanoseconds(readStart.tv_nsec - std::int64_t{modified.nanoseconds});
  return age >= kCoarsestTimestamp;
}

// Where a symbolic link in `directory` points, spelled as an absolute path; reading the link
// itself never reaches the file system it points into.
std::string LinkTarget(int directoryFd, const std::string& directory, const std::string& name) {
  std::string target(PATH_MAX, '\0');
  const ssize_t length = readlinkat(directoryFd, name.c_str(), target.data(), target.size());
  if (length <= 0)
    return directory + "/" + name;
  target.resize(static_cast<std::size_t>(length));
  std::filesystem::path path(target);
  if (path.is_relative())
    path = std::filesystem::path(directory) / path;
  return path.lexically_normal().string();
}

// A linked photo folder opens like any other; a link to a file is not one of the files to move,
// since moving it would move the link and leave the picture where it was. Following a link can
// reach a share that no longer answers, so the links are followed on a worker of their own, with
// a deadline short enough to leave the whole read inside the window's. A link whose folder did
// not answer before is left out until it does; `complete` is then false.
std::error_code AddLinkedFolders(int directoryFd, const std::string& directory,
                                 const std::vector<std::string>& links, DirectorySnapshot& snapshot,
                                 bool& complete) {
  struct Link {
    std::string name;
    std::string target;
  };
  auto toCheck = std::make_shared<std::vector<Link>>();
  for (const auto& name : links) {
    Link link{name, LinkTarget(directoryFd, directory, name)};
    if (UnansweredFolders::Instance().check(link.target))
      complete = false;
    else
      toCheck->push_back(std::move(link));
  }
  if (toCheck->empty())
    return {};
  auto checking = std::make_shared<std::atomic<std::size_t>>(0);
  auto errand = StartErrand<std::vector<bool>>([toCheck, checking] {
    std::vector<bool> folders;
    for (const auto& link : *toCheck) {
      struct stat target;
      folders.push_back(stat(link.target.c_str(), &target) == 0 && S_ISDIR(target.st_mode));
      ++*checking;
    }
    return folders;
  });
  constexpr auto kLinkDeadline = kAnswerDeadline / 2;
  if (!errand->waitUntil(std::chrono::steady_clock::now() + kLinkDeadline)) {
    const Link& stuck = (*toCheck)[std::min(checking->load(), toCheck->size() - 1)];
    // The share the link leads into is what failed; a link into the root file system is named
    // itself.
    const std::string folder = UnansweredFolders::Blame(stuck.target);
    return UnansweredFolders::Instance().gaveUp(
        folder == stuck.target ? directory + "/" + stuck.name : folder, *errand);
  }
  for (std::size_t i = 0; i < toCheck->size(); ++i) {
    if ((*errand->result)[i])
      snapshot.subdirectories.push_back((*toCheck)[i].name);
  }
  return {};
}

// Takes `directoryFd` over.
std::error_code ReadNames(int directoryFd, const std::string& path, DirectorySnapshot& snapshot,
                          bool& complete) {
  DIR* directory = fdopendir(directoryFd);
  if (!directory) {
    const std::error_code error = LastError();
    close(directoryFd);
    return error;
  }
  DirectoryEntries entries;
  std::error_code error = ReadDirectoryEntries(directory, MaxListingBytes(), entries);
  snapshot.names = SortNaturally(std::move(entries.files));
  snapshot.subdirectories = std::move(entries.subdirectories);
  snapshot.leftoverMarks = entries.leftoverMarks;
  if (!error)
    error = AddLinkedFolders(dirfd(directory), path, entries.links, snapshot, complete);
  SortNaturally(snapshot.subdirectories);
  closedir(directory);
  return error;
}

// The window reads the same few directories several times per keystroke, and a directory of
// 100,000 files costs tens of milliseconds to read.
class SnapshotCache {
 public:
  std::shared_ptr<const DirectorySnapshot> find(const DirectoryStamp& now) {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->stamp == now) {
        entries_.splice(entries_.begin(), entries_, it);
        return it->snapshot;
      }
    }
    return nullptr;
  }

  void remember(const DirectoryStamp& stamp, std::shared_ptr<const DirectorySnapshot> snapshot) {
    std::lock_guard lock(mutex_);
    entries_.remove_if([&](const Entry& entry) { return SameDirectory(entry.stamp, stamp); });
    entries_.push_front({stamp, std::move(snapshot)});
    if (entries_.size() > kCapacity)
      entries_.pop_back();
  }

 private:
  struct Entry {
    DirectoryStamp stamp;
    std::shared_ptr<const DirectorySnapshot> snapshot;
  };
  static constexpr std::size_t kCapacity = 4;

  static bool SameDirectory(const DirectoryStamp& a, const DirectoryStamp& b) {
    return a.mountId == b.mountId && a.deviceMajor == b.deviceMajor &&
           a.deviceMinor == b.deviceMinor && a.inode == b.inode;
  }

  std::mutex mutex_;
  std::list<Entry> entries_;  // most recently used first
};

SnapshotCache& Cache() {
  static SnapshotCache cache;
  return cache;
}

// The directories being read ahead, by path as asked for: a read of one waits for that read, which
// leaves its snapshot in the cache, instead of reading the same entries alongside it.
class ReadsAhead {
 public:
  // Asks for the cache first, so that the cache outlives the threads joined here.
  ReadsAhead() { Cache(); }
  ~ReadsAhead() {
    for (auto& thread : threads_)
      thread.join();
  }

  void start(const std::string& directory, void (*read)(const std::string&)) {
    std::lock_guard lock(mutex_);
    if (!inFlight_.insert(directory).second)
      return;
    threads_.emplace_back([this, directory, read] {
      read(directory);
      std::lock_guard done(mutex_);
      inFlight_.erase(directory);
      finished_.notify_all();
    });
  }

  void awaitRead(const std::string& directory) {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return inFlight_.count(directory) == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable finished_;
  std::set<std::string> inFlight_;
  std::vector<SideThread> threads_;
};

ReadsAhead& ReadAheads() {
  static ReadsAhead reads;
  return reads;
}

std::shared_ptr<const DirectorySnapshot> ReadSnapshot(const std::string& directory,
                                                      std::error_code& error);

}  // namespace

void ReadDirectoryAhead(const std::string& directory) {
  ReadAheads().start(directory, [](const std::string& path) {
    std::error_code ignored;
    ReadSnapshot(path, ignored);
  });
}

std::size_t MaxListingBytes() {
  return ListingLimit().load();
}

void SetMaxListingBytes(std::size_t bytes) {
  ListingLimit().store(bytes);
}

std::shared_ptr<const DirectorySnapshot> ReadDirectorySnapshot(const std::string& directory,
                                                               std::error_code& error) {
  ReadAheads().awaitRead(directory);
  return ReadSnapshot(directory, error);
}

namespace {

std::shared_ptr<const DirectorySnapshot> ReadSnapshot(const std::string& directory,
                                                      std::error_code& error) {
  error.clear();
  if (const auto now = StampOf(AT_FDCWD, directory.c_str()); now && now->cacheable) {
    if (auto cached = Cache().find(now->stamp))
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
  const auto read = StampOf(fd, "");
  struct statfs fileSystem;
  const bool cacheable = read && read->cacheable && fstatfs(fd, &fileSystem) == 0 &&
                         KeepsDirectoryTimes(fileSystem.f_type) &&
                         OldEnoughToTrust(read->stamp.modified, readStart);
  auto snapshot = std::make_shared<DirectorySnapshot>();
  // The identity of what is read, through the descriptor: a path checked separately could name
  // another directory by then.
  if (read) {
    snapshot->device = makedev(read->stamp.deviceMajor, read->stamp.deviceMinor);
    snapshot->inode = read->stamp.inode;
  } else if (struct stat status; fstat(fd, &status) == 0) {
    snapshot->device = status.st_dev;
    snapshot->inode = status.st_ino;
  }
  bool complete = true;
  error = ReadNames(fd, directory, *snapshot, complete);
  if (error)
    return nullptr;

  if (cacheable && complete)
    Cache().remember(read->stamp, snapshot);
  return snapshot;
}

}  // namespace

}  // namespace varnoth
