// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory_entries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

#include "leftover_temporaries.h"
#include "unanswered_folders.h"
#include "unique_fd.h"

namespace varnoth {

namespace {

// ext2, ext3 and ext4 hand out the entries of an indexed directory in the order of their names'
// hashes, at positions whose upper bits are the hash: every entry of the upper half of the hashes
// lies at or past this position, and a directory read from it gives exactly those.
constexpr long kExt4Magic = 0xEF53;
constexpr std::uint64_t kUpperHalfOfHashes = std::uint64_t{1} << 62;
// About 8,000 entries: below this a second thread costs more than it saves.
constexpr off_t kWorthSplittingBytes = 256 * 1024;
// How many bytes of an ext4 directory an entry takes at the least, for a first guess at the
// number of names without growing the list step by step.
constexpr off_t kSmallestEntryBytes = 24;
constexpr std::uint64_t kToTheEnd = std::numeric_limits<std::uint64_t>::max();

enum class EntryKind { kHidden, kFile, kDirectory, kLink, kOther };

EntryKind KindOf(int directoryFd, const dirent& entry) {
  if (entry.d_name[0] == '.')
    return EntryKind::kHidden;
  unsigned char type = entry.d_type;
  if (type == DT_UNKNOWN) {
    // Some file systems do not report the type in the directory entry itself.
    struct stat status;
    if (fstatat(directoryFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
      return EntryKind::kOther;
    type = S_ISREG(status.st_mode)   ? DT_REG
           : S_ISDIR(status.st_mode) ? DT_DIR
           : S_ISLNK(status.st_mode) ? DT_LNK
                                     : DT_UNKNOWN;
  }
  if (type == DT_REG)
    return EntryKind::kFile;
  if (type == DT_DIR)
    return EntryKind::kDirectory;
  if (type == DT_LNK)
    return EntryKind::kLink;
  return EntryKind::kOther;
}

// The bytes the names of one directory may take, shared by the threads that read it.
class ListingBudget {
 public:
  explicit ListingBudget(std::size_t limit) : limit_(limit) {}
  bool take(std::size_t bytes) { return used_.fetch_add(bytes) + bytes <= limit_; }

 private:
  const std::size_t limit_;
  std::atomic<std::size_t> used_{0};
};

// Reads `directory` from where it stands to its end, or, with `end`, to the first entry at or past
// that position: an entry's position is where the entry before it says the next one lies.
std::error_code ReadRange(DIR* directory, std::uint64_t end, ListingBudget& budget,
                          DirectoryEntries& into) {
  std::uint64_t position = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(directory);
    if (!entry)
      return errno != 0 ? LastError() : std::error_code();
    if (position >= end)
      return {};
    position = static_cast<std::uint64_t>(entry->d_off);
    // A broken file system can hand out entries without end.
    if (!budget.take(sizeof(std::string) + std::strlen(entry->d_name)))
      return make_error_code(WaitError::kListingTooLong);
    switch (KindOf(dirfd(directory), *entry)) {
      case EntryKind::kFile:
        into.files.emplace_back(entry->d_name);
        break;
      case EntryKind::kDirectory:
        into.subdirectories.emplace_back(entry->d_name);
        break;
      case EntryKind::kLink:
        into.links.emplace_back(entry->d_name);
        break;
      case EntryKind::kHidden:
        into.leftoverMarks = into.leftoverMarks || IsReservationMark(entry->d_name);
        break;
      case EntryKind::kOther:
        break;
    }
  }
}

void Append(std::vector<std::string>& to, std::vector<std::string>& from) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

// A second stream on the directory of `directoryFd`, standing at the upper half of its hashes,
// when the directory is big and its file system orders its entries by hash; null otherwise.
// `size` is then the directory's size in bytes.
DIR* OpenUpperHalf(int directoryFd, off_t& size) {
  struct statfs fileSystem;
  struct stat status;
  if (fstatfs(directoryFd, &fileSystem) != 0 || fileSystem.f_type != kExt4Magic ||
      fstat(directoryFd, &status) != 0 || status.st_size < kWorthSplittingBytes) {
    return nullptr;
  }
  size = status.st_size;
  // A stream of its own on the same directory, not on whatever its path names by now.
  const int upper = openat(directoryFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (upper < 0)
    return nullptr;
  DIR* stream = nullptr;
  if (lseek(upper, static_cast<off_t>(kUpperHalfOfHashes), SEEK_SET) ==
      static_cast<off_t>(kUpperHalfOfHashes))
    stream = fdopendir(upper);
  if (!stream)
    close(upper);
  return stream;
}

}  // namespace

std::error_code ReadDirectoryEntries(DIR* directory, std::size_t limitBytes,
                                     DirectoryEntries& entries) {
  ListingBudget budget(limitBytes);
  off_t size = 0;
  DIR* upperStream = OpenUpperHalf(dirfd(directory), size);
  if (!upperStream)
    return ReadRange(directory, kToTheEnd, budget, entries);

  const auto guess = static_cast<std::size_t>(std::min<off_t>(
      size / kSmallestEntryBytes, static_cast<off_t>(limitBytes / sizeof(std::string))));
  entries.files.reserve(guess);
  DirectoryEntries upper;
  upper.files.reserve(guess / 2);
  std::error_code upperError;
  std::thread upperReader;
  try {
    upperReader =
        std::thread([&] { upperError = ReadRange(upperStream, kToTheEnd, budget, upper); });
  } catch (const std::system_error&) {
    closedir(upperStream);
    return ReadRange(directory, kToTheEnd, budget, entries);
  }
  const std::error_code lowerError = ReadRange(directory, kUpperHalfOfHashes, budget, entries);
  upperReader.join();
  closedir(upperStream);
  if (lowerError || upperError)
    return lowerError ? lowerError : upperError;
  Append(entries.files, upper.files);
  Append(entries.subdirectories, upper.subdirectories);
  Append(entries.links, upper.links);
  entries.leftoverMarks = entries.leftoverMarks || upper.leftoverMarks;
  return {};
}

}  // namespace varnoth
