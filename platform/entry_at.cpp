// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_at.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>

#include "ports/file_services.h"
#include "reservation.h"
#include "system_calls.h"
#include "unique_fd.h"

namespace varnoth {

namespace {

bool OnFuse(int directoryFd) {
  constexpr long kFuseMagic = 0x65735546;
  struct statfs fileSystem;
  return fstatfs(directoryFd, &fileSystem) == 0 && fileSystem.f_type == kFuseMagic;
}

bool Holds(EntryAt entry, const FileIdentity& checked, FileIdentity& now) {
  struct stat status;
  if (fstatat(entry.directoryFd, entry.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    // The name moved; whatever removed it since is not the move's doing, and nothing else can
    // be under it.
    now = checked;
    return true;
  }
  now = FileIdentity::Of(status);
  if (now.sameFile(checked))
    return true;
  // Some FUSE file systems number each name of a file apart (sshfs does, unless told otherwise),
  // so a new link shows another inode; there the same kind, size and modification time must do.
  return S_ISREG(status.st_mode) && now.size == checked.size &&
         now.modified.tv_sec == checked.modified.tv_sec &&
         now.modified.tv_nsec == checked.modified.tv_nsec && OnFuse(entry.directoryFd);
}

// Renames `from` back to `to` without replacing anything: by renameat2 where the file system has
// it, else over a reservation, as the move itself would.
bool RenameBack(EntryAt from, EntryAt to) {
  const char* fromName = from.name.c_str();
  const char* toName = to.name.c_str();
  if (sys::RenameNoReplace(from.directoryFd, fromName, to.directoryFd, toName) == 0)
    return true;
  if (errno == EEXIST || errno == ENOENT)
    return false;
  Reservation reservation(to.directoryFd, to.name);
  if (reservation.take())
    return false;
  if (sys::RenameOver(from.directoryFd, fromName, to.directoryFd, toName) != 0)
    return false;
  reservation.keep();
  return true;
}

}  // namespace

PathParts SplitPath(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos)
    return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::error_code StatusOfRegularFile(EntryAt entry, FileIdentity& identity) {
  struct stat status;
  if (fstatat(entry.directoryFd, entry.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
    return LastError();
  if (!S_ISREG(status.st_mode))
    return make_error_code(MoveError::kNotRegularFile);
  identity = FileIdentity::Of(status);
  return {};
}

std::error_code ConfirmRenamed(EntryAt from, EntryAt to, const FileIdentity& checked) {
  FileIdentity now;
  if (Holds(to, checked, now))
    return {};
  return make_error_code(RenameBack(to, from) ? MoveError::kReplacedPutBack
                                              : MoveError::kReplacedNotPutBack);
}

std::error_code ConfirmLinked(EntryAt from, EntryAt to, const FileIdentity& checked) {
  FileIdentity linked;
  if (Holds(to, checked, linked))
    return {};
  struct stat source;
  if (fstatat(from.directoryFd, from.name.c_str(), &source, AT_SYMLINK_NOFOLLOW) == 0 &&
      FileIdentity::Of(source).sameFile(linked) &&
      sys::Unlink(to.directoryFd, to.name.c_str()) == 0) {
    return make_error_code(MoveError::kReplacedPutBack);
  }
  return make_error_code(MoveError::kReplacedNotPutBack);
}

}  // namespace varnoth
