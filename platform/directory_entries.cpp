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
#include <limits>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "leftover_temporaries.h"
#include "side_thread.h"
#include "unanswered_folders.h"
#include "unique_fd.h"

namespace varnoth {

namespace {

// ext2, ext3 and ext4 hand out the entries of an indexed directory in the order of their names'
// hashes, at positions whose upper bits are the hash, all below 2^63: a read started at a position
// gives exactly the entries at or past it. So the positions divide into pieces, each holding about
// as many entries as the next, that threads read side by side, each piece through a descriptor of
// its own; more pieces than threads, so that the threads finish at about the same time.
constexpr long kExt4Magic = 0xEF53;
constexpr std::size_t kPieces = 24;
constexpr std::uint64_t kPieceSpan = (std::uint64_t{1} << 63) / kPieces;
// About 8,000 entries: below this more threads cost more than they save.
constexpr off_t kWorthSplittingBytes = off_t{256} * 1024;
// How many bytes of an ext4 directory an entry takes at the least, for a first guess at the
// number of names without growing the list step by step.
constexpr off_t kSmallestEntryBytes = 24;
constexpr std::uint64_t kToTheEnd = std::numeric_limits<std::uint64_t>::max();
// Readers at most, the calling thread among them.
constexpr unsigned kMostReaders = 4;

enum class EntryKind { kHidden, kFile, kDirectory, kLink, kOther };

EntryKind KindOf(int directoryFd, const char* name, unsigned char type) {
  if (name[0] == '.')
    return EntryKind::kHidden;
  if (type == DT_UNKNOWN) {
    // Some file systems do not report the type in the directory entry itself.
    struct stat status;
    if (fstatat(directoryFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
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

// The bytes the names of one directory may take, shared by the threads that read it. Each takes
// its part in steps, so that the threads do not contend for the count at every entry.
class ListingBudget {
 public:
  explicit ListingBudget(std::size_t limit) : limit_(limit) {}
  std::size_t limit() const { return limit_; }
  bool take(std::size_t bytes) { return used_.fetch_add(bytes) + bytes <= limit_; }

 private:
  const std::size_t limit_;
  std::atomic<std::size_t> used_{0};
};

class BudgetShare {
 public:
  explicit BudgetShare(ListingBudget& budget) : budget_(budget) {}
  bool take(std::size_t bytes) {
    constexpr std::size_t kStep = std::size_t{64} * 1024;
    if (bytes > left_) {
      const std::size_t step = std::max(bytes, kStep);
      if (!budget_.take(step))
        return false;
      left_ += step;
    }
    left_ -= bytes;
    return true;
  }

 private:
  ListingBudget& budget_;
  std::size_t left_ = 0;
};

// The entries of one piece of a directory.
struct Piece {
  std::vector<std::string> files;
  std::vector<std::string> subdirectories;
  std::vector<std::string> links;
  bool leftoverMarks = false;
  std::error_code error;
};

// Files the entry `name` of the directory of `directoryFd` under its kind; false once the names
// would take more than the budget.
bool Keep(int directoryFd, const char* name, unsigned char type, BudgetShare& share, Piece& into) {
  const std::string_view bytes(name);
  // A broken file system can hand out entries without end.
  if (!share.take(sizeof(std::string) + bytes.size()))
    return false;
  switch (KindOf(directoryFd, name, type)) {
    case EntryKind::kFile:
      into.files.emplace_back(bytes);
      break;
    case EntryKind::kDirectory:
      into.subdirectories.emplace_back(bytes);
      break;
    case EntryKind::kLink:
      into.links.emplace_back(bytes);
      break;
    case EntryKind::kHidden:
      into.leftoverMarks = into.leftoverMarks || IsReservationMark(name);
      break;
    case EntryKind::kOther:
      break;
  }
  return true;
}

// Reads `directory` from where it stands to its end.
std::error_code ReadWhole(DIR* directory, ListingBudget& budget, Piece& into) {
  BudgetShare share(budget);
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(directory);
    if (!entry)
      return errno != 0 ? LastError() : std::error_code();
    if (!Keep(dirfd(directory), entry->d_name, entry->d_type, share, into))
      return make_error_code(WaitError::kListingTooLong);
  }
}

// The kernel hashes, copies and frees every entry it hands out, and those it hands out past the end
// of a piece are handed out again to the piece after it. So a piece asks for whole buffers only
// while its end is far: near it, only for about as many bytes as the entries left take, judged by
// how densely the entries read so far lay in the piece's span of positions.
class PieceRequests {
 public:
  static constexpr std::size_t kLargest = std::size_t{32} * 1024;
  // Room for the longest entry with some to spare; a smaller buffer than the next entry fails.
  static constexpr std::size_t kSmallest = 2048;
  static_assert(kSmallest >= sizeof(dirent64) + 512);

  PieceRequests(std::uint64_t start, std::uint64_t end) : start_(start), end_(end) {}

  void count(const dirent64& entry) {
    ++entries_;
    bytes_ += entry.d_reclen;
  }

  std::size_t next(std::uint64_t position) const {
    if (end_ == kToTheEnd || entries_ == 0 || position <= start_ || position >= end_)
      return kLargest;
    const double perPosition =
        static_cast<double>(entries_) / static_cast<double>(position - start_);
    const double entriesLeft = static_cast<double>(end_ - position) * perPosition;
    const double bytesPerEntry = static_cast<double>(bytes_) / static_cast<double>(entries_);
    // A quarter more than the estimate, so that one more request seldom follows.
    const double wanted = entriesLeft * bytesPerEntry * 1.25 + kSmallest / 4.0;
    return std::clamp(static_cast<std::size_t>(std::min(wanted, double{kLargest})), kSmallest,
                      kLargest);
  }

 private:
  std::uint64_t start_;
  std::uint64_t end_;
  std::size_t entries_ = 0;
  std::size_t bytes_ = 0;
};

// Reads the entries of the directory of `fd` from position `start` to the first entry at or past
// `end`: an entry's position is where the entry before it says the next one lies.
std::error_code ReadPiece(int fd, std::uint64_t start, std::uint64_t end, char* buffer,
                          ListingBudget& budget, Piece& into) {
  BudgetShare share(budget);
  PieceRequests requests(start, end);
  std::uint64_t position = start;
  for (;;) {
    const ssize_t got = getdents64(fd, buffer, requests.next(position));
    if (got < 0)
      return LastError();
    if (got == 0)
      return {};
    for (ssize_t at = 0; at < got;) {
      const auto& entry = *reinterpret_cast<const dirent64*>(buffer + at);
      if (position >= end)
        return {};
      position = static_cast<std::uint64_t>(entry.d_off);
      requests.count(entry);
      if (!Keep(fd, entry.d_name, entry.d_type, share, into))
        return make_error_code(WaitError::kListingTooLong);
      at += entry.d_reclen;
    }
  }
}

void Append(std::vector<std::string>& to, std::vector<std::string>& from) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

std::error_code Gather(std::vector<Piece>& pieces, DirectoryEntries& entries) {
  for (Piece& piece : pieces) {
    if (piece.error)
      return piece.error;
    entries.files.push_back(std::move(piece.files));
    Append(entries.subdirectories, piece.subdirectories);
    Append(entries.links, piece.links);
    entries.leftoverMarks = entries.leftoverMarks || piece.leftoverMarks;
  }
  return {};
}

// A descriptor of its own on the directory of `directoryFd` (not on whatever its path names by
// now), standing at `position`; empty, with errno set, when it cannot be had.
UniqueFd OpenAt(int directoryFd, std::uint64_t position) {
  UniqueFd fd(openat(directoryFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd &&
      lseek(fd.get(), static_cast<off_t>(position), SEEK_SET) != static_cast<off_t>(position)) {
    const int error = errno;
    fd.reset();
    errno = error;
  }
  return fd;
}

// Whether the directory of `directoryFd` is big and its file system orders its entries by hash,
// so that it can be read in pieces; `size` is then its size in bytes.
bool ReadableInPieces(int directoryFd, off_t& size) {
  struct statfs fileSystem;
  struct stat status;
  if (fstatfs(directoryFd, &fileSystem) != 0 || fileSystem.f_type != kExt4Magic ||
      fstat(directoryFd, &status) != 0 || status.st_size < kWorthSplittingBytes) {
    return false;
  }
  size = status.st_size;
  // A directory that is not indexed (too old, or made without the index) refuses positions that
  // far out, and is read in one piece.
  return static_cast<bool>(OpenAt(directoryFd, (kPieces - 1) * kPieceSpan));
}

std::error_code ReadInPieces(DIR* directory, off_t size, ListingBudget& budget,
                             DirectoryEntries& entries) {
  const auto guess = static_cast<std::size_t>(std::min<off_t>(
      size / kSmallestEntryBytes, static_cast<off_t>(budget.limit() / sizeof(std::string))));
  std::vector<Piece> pieces(kPieces);
  // The hash spreads the names evenly; a piece seldom holds more than twice its share.
  for (Piece& piece : pieces)
    piece.files.reserve(2 * guess / kPieces);
  std::atomic<std::size_t> next{0};
  const auto readPieces = [&] {
    const auto buffer = std::make_unique_for_overwrite<char[]>(PieceRequests::kLargest);
    for (std::size_t k; (k = next.fetch_add(1)) < kPieces;) {
      Piece& piece = pieces[k];
      const std::uint64_t start = k * kPieceSpan;
      const std::uint64_t end = k + 1 < kPieces ? (k + 1) * kPieceSpan : kToTheEnd;
      const UniqueFd fd = OpenAt(dirfd(directory), start);
      piece.error = fd ? ReadPiece(fd.get(), start, end, buffer.get(), budget, piece) : LastError();
    }
  };
  std::vector<SideThread> helpers;
  const unsigned readers = std::clamp(std::thread::hardware_concurrency(), 2U, kMostReaders);
  for (unsigned i = 1; i < readers; ++i) {
    try {
      helpers.emplace_back(readPieces);
    } catch (const std::system_error&) {
      break;  // the threads there are read the rest
    }
  }
  readPieces();
  for (SideThread& helper : helpers)
    helper.join();

  return Gather(pieces, entries);
}

}  // namespace

std::error_code ReadDirectoryEntries(DIR* directory, std::size_t limitBytes,
                                     DirectoryEntries& entries) {
  ListingBudget budget(limitBytes);
  off_t size = 0;
  if (ReadableInPieces(dirfd(directory), size))
    return ReadInPieces(directory, size, budget, entries);
  std::vector<Piece> whole(1);
  whole[0].error = ReadWhole(directory, budget, whole[0]);
  return Gather(whole, entries);
}

}  // namespace varnoth
