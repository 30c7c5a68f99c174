// SPDX-License-Identifier: GPL-3.0-or-later
#include "posix_file_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <utility>

#include "durable_copy.h"
#include "entry_at.h"
#include "file_identity.h"
#include "finish_move.h"
#include "leftover_temporaries.h"
#include "move_control.h"
#include "reservation.h"
#include "system_calls.h"

namespace varnoth {

namespace {

// A name with a NUL would reach the system cut short, and one with a "/" would reach out of its
// folder: either would name another file.
bool BareName(const std::string& name) {
  return !name.empty() && name.find('\0') == std::string::npos &&
         name.find('/') == std::string::npos;
}

std::error_code InvalidPath() {
  return std::make_error_code(std::errc::invalid_argument);
}

const PosixFolder& Posix(const Folder& folder) {
  return dynamic_cast<const PosixFolder&>(folder);
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

// The two ends of one move, each relative to its held folder.
struct MoveEnds {
  EntryAt from;
  EntryAt to;
  const std::string& toDirectoryPath;
};

// A rename made after the caller gave up on the move is taken back: the file returns to its
// source name, where the caller reported it stays. Without replacing anything, as the move itself.
MoveResult KeepOrTakeBack(const MoveEnds& ends) {
  if (MoveMayComplete())
    return {};
  const auto back = [&](auto rename) {
    return rename(ends.to.directoryFd, ends.to.name.c_str(), ends.from.directoryFd,
                  ends.from.name.c_str()) == 0;
  };
  if (!back(sys::RenameNoReplace) && OneStepRefused(errno)) {
    Reservation reservation(ends.from.directoryFd, ends.from.name);
    if (!reservation.take() && back(sys::RenameOver))
      reservation.keep();
  }
  return {MoveResult::Step::kCopy, std::make_error_code(std::errc::operation_canceled)};
}

// Where a file system has no rename that refuses to replace (FAT and NTFS through FUSE), the new
// name is taken by an exclusive create first, and the rename then replaces only that empty file:
// the picture has one of its two names at every instant, and a kill in between leaves at most an
// empty file under the new one. Null when the rename is refused too (another file system): the
// reservation is gone again, and the two-step ways follow.
std::optional<MoveResult> RenameOverReservation(const MoveEnds& ends, const FileIdentity& checked) {
  Reservation reservation(ends.to.directoryFd, ends.to.name);
  if (auto error = reservation.take())
    return MoveResult{MoveResult::Step::kCopy, error};
  if (sys::RenameOver(ends.from.directoryFd, ends.from.name.c_str(), ends.to.directoryFd,
                      ends.to.name.c_str()) != 0) {
    return std::nullopt;
  }
  reservation.keep();
  if (auto error = ConfirmRenamed(ends.from, ends.to, checked))
    return MoveResult{MoveResult::Step::kCopy, error};
  return KeepOrTakeBack(ends);
}

struct TwoStepCopy {
  std::error_code error;
  bool linked = false;       // `to` is another name of the source's file
  FileIdentity copied = {};  // the source as it was copied
};

TwoStepCopy LinkOrCopy(const MoveEnds& ends, const FileIdentity& checked) {
  TwoStepCopy copy;
  if (sys::Link(ends.from.directoryFd, ends.from.name.c_str(), ends.to.directoryFd,
                ends.to.name.c_str()) == 0) {
    copy.linked = true;
    copy.copied = checked;
    copy.error = ConfirmLinked(ends.from, ends.to, checked);
    return copy;
  }
  if (!LinkRefused(errno)) {
    copy.error = LastError();
    return copy;
  }
  copy.error = CopyBytesToNewName({ends.from, ends.to, ends.toDirectoryPath},
                                  StagingFile::kUnnamedWhenSupported, &copy.copied, &checked);
  return copy;
}

// Whether `from` still names what was copied, so that deleting it loses nothing: the same file
// for a link, the same file unchanged for a byte copy.
std::error_code StillWhatWasCopied(EntryAt from, const TwoStepCopy& copy) {
  FileIdentity now;
  if (auto error = StatusOfRegularFile(from, now))
    return error;
  const bool same = copy.linked ? now.sameFile(copy.copied) : now.sameState(copy.copied);
  return same ? std::error_code() : make_error_code(MoveError::kChangedWhileCopying);
}

// Removes the copy of a move given up on before its source was removed, while the new name still
// holds that copy: another name of the source's file, or a file of the source's size and times.
void RemoveCopy(const MoveEnds& ends, const TwoStepCopy& copy) {
  struct stat target;
  if (fstatat(ends.to.directoryFd, ends.to.name.c_str(), &target, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(target.st_mode)) {
    return;
  }
  const FileIdentity made = FileIdentity::Of(target);
  const bool ours = copy.linked ? made.sameFile(copy.copied)
                                : made.size == copy.copied.size &&
                                      made.modified.tv_sec == copy.copied.modified.tv_sec &&
                                      made.modified.tv_nsec == copy.copied.modified.tv_nsec;
  if (ours)
    sys::Unlink(ends.to.directoryFd, ends.to.name.c_str());
}

MoveResult Move(const MoveEnds& ends) {
  FileIdentity checked;
  if (auto error = StatusOfRegularFile(ends.from, checked))
    return {MoveResult::Step::kCopy, error};

  // One step where the file system offers it: the file has exactly one of its two names at every
  // instant, crash or not.
  const char* fromName = ends.from.name.c_str();
  const char* toName = ends.to.name.c_str();
  if (sys::RenameNoReplace(ends.from.directoryFd, fromName, ends.to.directoryFd, toName) == 0) {
    if (auto error = ConfirmRenamed(ends.from, ends.to, checked))
      return {MoveResult::Step::kCopy, error};
    return KeepOrTakeBack(ends);
  }
  if (!OneStepRefused(errno))
    return {MoveResult::Step::kCopy, LastError()};
  if (errno != EXDEV) {
    if (auto moved = RenameOverReservation(ends, checked))
      return *moved;
  }

  const TwoStepCopy copy = LinkOrCopy(ends, checked);
  if (copy.error)
    return {MoveResult::Step::kCopy, copy.error};
  if (auto error = StillWhatWasCopied(ends.from, copy))
    return {MoveResult::Step::kDelete, error};
  if (!MoveMayComplete()) {
    RemoveCopy(ends, copy);
    return {MoveResult::Step::kCopy, std::make_error_code(std::errc::operation_canceled)};
  }
  if (sys::Unlink(ends.from.directoryFd, fromName) != 0)
    return {MoveResult::Step::kDelete, LastError()};
  return {};
}

}  // namespace

FolderOpening PosixFileServices::openFolder(const std::string& path) {
  if (path.find('\0') != std::string::npos)
    return {nullptr, InvalidPath()};
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat status;
  if (!fd || fstat(fd.get(), &status) != 0)
    return {nullptr, LastError()};
  const FolderIdentity identity{status.st_dev, status.st_ino};
  return {std::make_unique<PosixFolder>(std::move(fd), path, identity), {}};
}

MoveResult PosixFileServices::moveFile(const Folder& fromFolder, const std::string& fromName,
                                       const Folder& toFolder, const std::string& toName) {
  if (!BareName(fromName) || !BareName(toName))
    return {MoveResult::Step::kCopy, InvalidPath()};
  const PosixFolder& to = Posix(toFolder);
  return Move({{Posix(fromFolder).fd(), fromName}, {to.fd(), toName}, to.path()});
}

std::error_code PosixFileServices::copyFile(const Folder& fromFolder, const std::string& fromName,
                                            const Folder& toFolder, const std::string& toName) {
  if (!BareName(fromName) || !BareName(toName))
    return InvalidPath();
  const PosixFolder& to = Posix(toFolder);
  const MoveEnds ends{{Posix(fromFolder).fd(), fromName}, {to.fd(), toName}, to.path()};
  FileIdentity checked;
  if (auto error = StatusOfRegularFile(ends.from, checked))
    return error;
  return LinkOrCopy(ends, checked).error;
}

std::optional<FileStamp> PosixFileServices::stampOf(const Folder& folder, const std::string& name) {
  struct stat status;
  if (!BareName(name) ||
      fstatat(Posix(folder).fd(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(status.st_mode)) {
    return std::nullopt;
  }
  constexpr std::int64_t kNanoseconds = 1'000'000'000;
  return FileStamp{static_cast<std::uint64_t>(status.st_size),
                   status.st_mtim.tv_sec * kNanoseconds + status.st_mtim.tv_nsec};
}

std::optional<MoveResult> PosixFileServices::finishMove(const Folder& fromFolder,
                                                        const std::string& fromName,
                                                        const Folder& toFolder,
                                                        const std::string& toName) {
  if (!BareName(fromName) || !BareName(toName))
    return std::nullopt;
  return FinishMove({Posix(fromFolder).fd(), fromName}, {Posix(toFolder).fd(), toName});
}

void PosixFileServices::removeLeftovers(const Folder& folder) {
  RemoveLeftoverReservations(Posix(folder).fd());
}

std::error_code PosixFileServices::syncFolder(const Folder& folder) {
  return SyncFolder(Posix(folder).fd());
}

MoveResult PosixFileServices::moveFile(const std::string& from, const std::string& to) {
  const PathParts source = SplitPath(from);
  const PathParts target = SplitPath(to);
  FolderOpening sourceFolder = openFolder(source.directory);
  if (sourceFolder.error)
    return {MoveResult::Step::kCopy, sourceFolder.error};
  FolderOpening targetFolder = openFolder(target.directory);
  if (targetFolder.error)
    return {MoveResult::Step::kCopy, targetFolder.error};
  return moveFile(*sourceFolder.folder, source.name, *targetFolder.folder, target.name);
}

std::error_code PosixFileServices::copyFile(const std::string& from, const std::string& to) {
  const PathParts source = SplitPath(from);
  const PathParts target = SplitPath(to);
  FolderOpening sourceFolder = openFolder(source.directory);
  if (sourceFolder.error)
    return sourceFolder.error;
  FolderOpening targetFolder = openFolder(target.directory);
  if (targetFolder.error)
    return targetFolder.error;
  return copyFile(*sourceFolder.folder, source.name, *targetFolder.folder, target.name);
}

std::error_code PosixFileServices::deleteFile(const std::string& path) {
  if (path.find('\0') != std::string::npos)
    return InvalidPath();
  return sys::Unlink(AT_FDCWD, path.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code PosixFileServices::makeDirectory(const std::string& path) {
  if (path.find('\0') != std::string::npos)
    return InvalidPath();
  return sys::MakeDirectory(AT_FDCWD, path.c_str(), 0777) == 0 ? std::error_code() : LastError();
}

PosixFileServices& SystemFileServices() {
  static PosixFileServices services;
  return services;
}

}  // namespace varnoth
