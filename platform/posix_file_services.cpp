// SPDX-License-Identifier: GPL-3.0-or-later
#include "posix_file_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "durable_copy.h"
#include "file_identity.h"
#include "move_control.h"
#include "reservation.h"
#include "system_calls.h"
#include "unique_fd.h"

namespace varnoth {

namespace {

// A byte string with a NUL in it would reach the system cut short, naming another file.
bool Representable(const std::string& path) {
  return path.find('\0') == std::string::npos;
}

std::error_code InvalidPath() {
  return std::make_error_code(std::errc::invalid_argument);
}

// Answers by which a file system refuses renameat2(RENAME_NOREPLACE) although a link or a byte
// copy may work: another file system, or none of that flag (FAT through FUSE, older NFS, ...).
bool OneStepRefused(int error) {
  switch (error) {
    case EXDEV:
    case EINVAL:
    case ENOSYS:
    case EPERM:
    case EACCES:
    case EOPNOTSUPP:  // same value as ENOTSUP here
      return true;
    default:
      return false;
  }
}

// Every reason to refuse a hard link but a taken name or a vanished source leaves the byte copy
// to try: another file system, none of hard links (FAT), an append-only source, too many links.
bool LinkRefused(int error) {
  return error != EEXIST && error != ENOENT;
}

// The state of the entry named `path` itself, not of what a symbolic link there points to.
std::error_code StatusOfEntry(const std::string& path, FileIdentity& identity) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0)
    return LastError();
  if (!S_ISREG(status.st_mode))
    return make_error_code(MoveError::kNotRegularFile);
  identity = FileIdentity::Of(status);
  return {};
}

// Takes back the new name of an entry that took the source's name after it was checked: a link
// is made of the entry itself, so `to` then names whatever `from` names.
void UndoLink(const std::string& from, const std::string& to) {
  struct stat source, target;
  if (lstat(from.c_str(), &source) == 0 && lstat(to.c_str(), &target) == 0 &&
      FileIdentity::Of(source).sameFile(FileIdentity::Of(target))) {
    sys::Unlink(AT_FDCWD, to.c_str());
  }
}

// A rename made after the caller gave up on the move is taken back: the file returns to its
// source name, where the caller reported it stays.
MoveResult KeepOrTakeBack(const std::string& from, const std::string& to) {
  if (MoveMayComplete())
    return {};
  sys::RenameNoReplace(AT_FDCWD, to.c_str(), AT_FDCWD, from.c_str());
  return {MoveResult::Step::kCopy, std::make_error_code(std::errc::operation_canceled)};
}

// Where a file system has no rename that refuses to replace (FAT and NTFS through FUSE), the new
// name is taken by an exclusive create first, and the rename then replaces only that empty file:
// the picture has one of its two names at every instant, and a kill in between leaves at most an
// empty file under the new one. Null when the rename is refused too (another file system): the
// reservation is gone again, and the two-step ways follow.
std::optional<MoveResult> RenameOverReservation(const std::string& from, const std::string& to) {
  Reservation reservation(AT_FDCWD, to);
  if (auto error = reservation.take())
    return MoveResult{MoveResult::Step::kCopy, error};
  if (sys::RenameOver(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str()) != 0)
    return std::nullopt;
  reservation.keep();
  return KeepOrTakeBack(from, to);
}

struct TwoStepCopy {
  std::error_code error;
  bool linked = false;       // `to` is another name of the source's file
  FileIdentity copied = {};  // the source as it was copied
};

TwoStepCopy LinkOrCopy(const std::string& from, const std::string& to) {
  TwoStepCopy copy;
  if (sys::Link(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str()) == 0) {
    copy.linked = true;
    copy.error = StatusOfEntry(to, copy.copied);
    if (copy.error)
      UndoLink(from, to);
    return copy;
  }
  if (!LinkRefused(errno)) {
    copy.error = LastError();
    return copy;
  }
  copy.error = CopyBytesToNewName(from, to, StagingFile::kUnnamedWhenSupported, &copy.copied);
  return copy;
}

// Whether `from` still names what was copied, so that deleting it loses nothing: the same file
// for a link, the same file unchanged for a byte copy.
std::error_code StillWhatWasCopied(const std::string& from, const TwoStepCopy& copy) {
  FileIdentity now;
  if (auto error = StatusOfEntry(from, now))
    return error;
  const bool same = copy.linked ? now.sameFile(copy.copied) : now.sameState(copy.copied);
  return same ? std::error_code() : make_error_code(MoveError::kChangedWhileCopying);
}

// Removes the copy of a move given up on before its source was removed, when `to` still names
// that copy: another name of the source's file, or a file of the source's size and times.
void RemoveCopy(const std::string& from, const std::string& to, const TwoStepCopy& copy) {
  if (copy.linked) {
    UndoLink(from, to);
    return;
  }
  struct stat target;
  if (lstat(to.c_str(), &target) != 0 || !S_ISREG(target.st_mode))
    return;
  const FileIdentity made = FileIdentity::Of(target);
  if (made.size == copy.copied.size && made.modified.tv_sec == copy.copied.modified.tv_sec &&
      made.modified.tv_nsec == copy.copied.modified.tv_nsec) {
    sys::Unlink(AT_FDCWD, to.c_str());
  }
}

}  // namespace

MoveResult PosixFileServices::moveFile(const std::string& from, const std::string& to) {
  if (!Representable(from) || !Representable(to))
    return {MoveResult::Step::kCopy, InvalidPath()};
  FileIdentity listed;
  if (auto error = StatusOfEntry(from, listed))
    return {MoveResult::Step::kCopy, error};

  // One step where the file system offers it: the file has exactly one of its two names at every
  // instant, crash or not, and a symbolic link that took the name since is moved as itself.
  if (sys::RenameNoReplace(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str()) == 0)
    return KeepOrTakeBack(from, to);
  if (!OneStepRefused(errno))
    return {MoveResult::Step::kCopy, LastError()};
  if (errno != EXDEV) {
    if (auto moved = RenameOverReservation(from, to))
      return *moved;
  }

  const TwoStepCopy copy = LinkOrCopy(from, to);
  if (copy.error)
    return {MoveResult::Step::kCopy, copy.error};
  if (auto error = StillWhatWasCopied(from, copy))
    return {MoveResult::Step::kDelete, error};
  if (!MoveMayComplete()) {
    RemoveCopy(from, to, copy);
    return {MoveResult::Step::kCopy, std::make_error_code(std::errc::operation_canceled)};
  }
  if (sys::Unlink(AT_FDCWD, from.c_str()) != 0)
    return {MoveResult::Step::kDelete, LastError()};
  return {};
}

std::error_code PosixFileServices::copyFile(const std::string& from, const std::string& to) {
  if (!Representable(from) || !Representable(to))
    return InvalidPath();
  FileIdentity listed;
  if (auto error = StatusOfEntry(from, listed))
    return error;
  return LinkOrCopy(from, to).error;
}

std::error_code PosixFileServices::deleteFile(const std::string& path) {
  if (!Representable(path))
    return InvalidPath();
  return sys::Unlink(AT_FDCWD, path.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code PosixFileServices::makeDirectory(const std::string& path) {
  if (!Representable(path))
    return InvalidPath();
  return mkdir(path.c_str(), 0777) == 0 ? std::error_code() : LastError();
}

PosixFileServices& systemFileServices() {
  static PosixFileServices services;
  return services;
}

}  // namespace varnoth
