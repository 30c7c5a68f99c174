// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <functional>

struct stat;
struct timespec;

namespace varnoth::sys {

// Every system call by which a move changes a file or a directory, by the part it plays. Each
// goes through the wrappers below, so that a test can make any one of them fail, or kill the
// process right before it, without a file system that really does so.
enum class Call {
  kRenameNoReplace,  // renameat2(RENAME_NOREPLACE)
  kRenameOver,       // renameat over the move's own reservation
  kLink,             // linkat of a named file, never following a final symbolic link
  kLinkUnnamed,      // linkat of an O_TMPFILE through /proc/self/fd
  kUnlink,
  kCreate,         // openat(O_CREAT | O_EXCL)
  kCreateUnnamed,  // openat(O_TMPFILE)
  kCopyFileRange,
  kSendfile,
  kWrite,
  kFchmod,
  kFutimens,
  kFsync,
  kLock,  // flock, to tell a temporary being written from a leftover
  kMakeDirectory,
  kSyncfs,
  kCount,
};

// What an armed seam does to the calls it sees. Calls are counted from 1 in the order made.
struct Faults {
  int failAt = 0;     // this call fails with failErrno without reaching the system
  int failErrno = 0;  //
  int killAt = 0;     // the process kills itself with SIGKILL right before this call
  std::array<int, static_cast<std::size_t>(Call::kCount)> refuse{};  // errno per kind; 0: runs
  // Per kind: the call answers 0, as at the end of a file, without reaching the system.
  std::array<bool, static_cast<std::size_t>(Call::kCount)> endEarly{};
  // Changes what StatusOfOpen reports, as a file system that misreports a size would; it is not a
  // call that changes anything, so it is not counted.
  std::function<void(struct stat&)> alterStatus{};
  std::function<void(Call)> before{};  // runs before each call reaches the system
  int calls = 0;                       // how many calls were seen so far

  void refuseAlways(Call call, int error) { refuse[static_cast<std::size_t>(call)] = error; }
};

// While `faults` is armed (non-null), every wrapped call consults it. For tests only, on one
// thread; unarmed, a wrapper costs one comparison.
void Arm(Faults* faults);

int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to);
int RenameOver(int fromDir, const char* from, int toDir, const char* to);
int Link(int fromDir, const char* from, int toDir, const char* to);
int LinkUnnamed(int fd, int toDir, const char* to);
int Unlink(int dir, const char* name);
int CreateExclusive(int dir, const char* name, int flags, mode_t mode);
int CreateUnnamed(int dir, int flags, mode_t mode);
ssize_t CopyFileRange(int in, int out, std::size_t length);
ssize_t Sendfile(int out, int in, std::size_t length);
ssize_t Write(int fd, const void* data, std::size_t size);
int Fchmod(int fd, mode_t mode);
int Futimens(int fd, const struct timespec times[2]);
int Fsync(int fd);
int LockExclusiveNow(int fd);
int MakeDirectory(int dir, const char* name, mode_t mode);
int Syncfs(int fd);
int StatusOfOpen(int fd, struct stat* status);

}  // namespace varnoth::sys
