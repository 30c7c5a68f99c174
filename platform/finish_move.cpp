// SPDX-License-Identifier: GPL-3.0-or-later
#include "finish_move.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "durable_copy.h"
#include "system_calls.h"
#include "unique_fd.h"

namespace varnoth {

namespace {

constexpr std::size_t kChunk = std::size_t{256} << 10;

UniqueFd OpenRegular(EntryAt entry) {
  return UniqueFd(openat(entry.directoryFd, entry.name.c_str(),
                         O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
}

// Reads up to `size` bytes, fewer only at the end of the file; -1 on an error.
ssize_t ReadFully(int fd, char* data, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t now = read(fd, data + got, size - got);
    if (now < 0 && errno == EINTR)
      continue;
    if (now < 0)
      return -1;
    if (now == 0)
      break;
    got += static_cast<std::size_t>(now);
  }
  return static_cast<ssize_t>(got);
}

// `size` is what both report; the buffers need not be larger. A resumed run compares each source
// with every earlier copy of its size and time, so two 256 KiB buffers zeroed for each pair of
// small files made that comparison, not the bytes, the run's cost.
bool SameBytes(int a, int b, off_t size) {
  const std::size_t chunk = std::clamp<std::size_t>(static_cast<std::size_t>(size), 1, kChunk);
  std::vector<char> left(chunk), right(chunk);
  for (;;) {
    const ssize_t gotLeft = ReadFully(a, left.data(), chunk);
    const ssize_t gotRight = ReadFully(b, right.data(), chunk);
    if (gotLeft < 0 || gotLeft != gotRight)
      return false;
    if (gotLeft == 0)
      return true;
    if (std::memcmp(left.data(), right.data(), static_cast<std::size_t>(gotLeft)) != 0)
      return false;
  }
}

}  // namespace

std::optional<MoveResult> FinishMove(EntryAt from, EntryAt to) {
  // One entry is never a copy of itself: deleting it would delete the only one.
  struct stat fromFolder, toFolder;
  if (fstat(from.directoryFd, &fromFolder) != 0 || fstat(to.directoryFd, &toFolder) != 0 ||
      (FileIdentity::Of(fromFolder).sameFile(FileIdentity::Of(toFolder)) && from.name == to.name)) {
    return std::nullopt;
  }
  UniqueFd source = OpenRegular(from);
  UniqueFd copy = OpenRegular(to);
  struct stat sourceStatus, copyStatus;
  if (!source || !copy || fstat(source.get(), &sourceStatus) != 0 ||
      fstat(copy.get(), &copyStatus) != 0 || !S_ISREG(sourceStatus.st_mode) ||
      !S_ISREG(copyStatus.st_mode) || sourceStatus.st_size != copyStatus.st_size) {
    return std::nullopt;
  }
  const FileIdentity checked = FileIdentity::Of(sourceStatus);
  // Two names of one file (a link, then a kill before the source's name went) hold the same
  // bytes by definition.
  if (!checked.sameFile(FileIdentity::Of(copyStatus)) &&
      !SameBytes(source.get(), copy.get(), sourceStatus.st_size))
    return std::nullopt;

  // The earlier run may have been stopped before either sync; the source goes only after both.
  if (sys::Fsync(copy.get()) != 0 || SyncFolder(to.directoryFd))
    return MoveResult{MoveResult::Step::kCopy, make_error_code(MoveError::kCopyNotDurable)};
  FileIdentity now;
  if (auto error = StatusOfRegularFile(from, now))
    return MoveResult{MoveResult::Step::kDelete, error};
  if (!now.sameState(checked))
    return MoveResult{MoveResult::Step::kDelete, make_error_code(MoveError::kChangedWhileCopying)};
  if (sys::Unlink(from.directoryFd, from.name.c_str()) != 0)
    return MoveResult{MoveResult::Step::kDelete, LastError()};
  return MoveResult{};
}

}  // namespace varnoth
