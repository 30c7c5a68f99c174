// SPDX-License-Identifier: GPL-3.0-or-later
#include "system_calls.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace varnoth::sys {

namespace {

Faults* armed = nullptr;

// Whether the call may reach the system; errno is set when it may not.
bool Consult(Call call) {
  Faults& faults = *armed;
  ++faults.calls;
  if (faults.calls == faults.killAt)
    raise(SIGKILL);
  if (faults.before)
    faults.before(call);
  if (const int error = faults.refuse[static_cast<std::size_t>(call)]) {
    errno = error;
    return false;
  }
  if (faults.calls == faults.failAt) {
    errno = faults.failErrno;
    return false;
  }
  return true;
}

inline bool Allowed(Call call) {
  return armed == nullptr || Consult(call);
}

}  // namespace

void Arm(Faults* faults) {
  armed = faults;
}

int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to) {
  return Allowed(Call::kRenameNoReplace) ? renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE)
                                         : -1;
}

int RenameOver(int fromDir, const char* from, int toDir, const char* to) {
  return Allowed(Call::kRenameOver) ? renameat(fromDir, from, toDir, to) : -1;
}

int Link(int fromDir, const char* from, int toDir, const char* to) {
  return Allowed(Call::kLink) ? linkat(fromDir, from, toDir, to, 0) : -1;
}

int LinkUnnamed(int fd, int toDir, const char* to) {
  if (!Allowed(Call::kLinkUnnamed))
    return -1;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, self.c_str(), toDir, to, AT_SYMLINK_FOLLOW);
}

int Unlink(int dir, const char* name) {
  return Allowed(Call::kUnlink) ? unlinkat(dir, name, 0) : -1;
}

int CreateExclusive(int dir, const char* name, int flags, mode_t mode) {
  return Allowed(Call::kCreate) ? openat(dir, name, flags | O_CREAT | O_EXCL, mode) : -1;
}

int CreateUnnamed(int dir, int flags, mode_t mode) {
  return Allowed(Call::kCreateUnnamed) ? openat(dir, ".", flags | O_TMPFILE, mode) : -1;
}

namespace {

bool EndsEarly(Call call) {
  return armed != nullptr && armed->endEarly[static_cast<std::size_t>(call)];
}

}  // namespace

ssize_t CopyFileRange(int in, int out, std::size_t length) {
  if (!Allowed(Call::kCopyFileRange))
    return -1;
  return EndsEarly(Call::kCopyFileRange) ? 0
                                         : copy_file_range(in, nullptr, out, nullptr, length, 0);
}

ssize_t Sendfile(int out, int in, std::size_t length) {
  if (!Allowed(Call::kSendfile))
    return -1;
  return EndsEarly(Call::kSendfile) ? 0 : sendfile(out, in, nullptr, length);
}

ssize_t Write(int fd, const void* data, std::size_t size) {
  return Allowed(Call::kWrite) ? write(fd, data, size) : -1;
}

int Fchmod(int fd, mode_t mode) {
  return Allowed(Call::kFchmod) ? fchmod(fd, mode) : -1;
}

int Futimens(int fd, const struct timespec times[2]) {
  return Allowed(Call::kFutimens) ? futimens(fd, times) : -1;
}

int Fsync(int fd) {
  return Allowed(Call::kFsync) ? fsync(fd) : -1;
}

int LockExclusiveNow(int fd) {
  return Allowed(Call::kLock) ? flock(fd, LOCK_EX | LOCK_NB) : -1;
}

int MakeDirectory(int dir, const char* name, mode_t mode) {
  return Allowed(Call::kMakeDirectory) ? mkdirat(dir, name, mode) : -1;
}

int Syncfs(int fd) {
  return Allowed(Call::kSyncfs) ? syncfs(fd) : -1;
}

int StatusOfOpen(int fd, struct stat* status) {
  const int result = fstat(fd, status);
  if (result == 0 && armed != nullptr && armed->alterStatus)
    armed->alterStatus(*status);
  return result;
}

}  // namespace varnoth::sys
