// SPDX-License-Identifier: GPL-3.0-or-later
#include "durable_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "leftover_temporaries.h"
#include "move_control.h"
#include "ports/file_services.h"
#include "reservation.h"
#include "system_calls.h"
#include "unique_fd.h"

namespace varnoth {

namespace {

// Large enough that one in-kernel call usually copies a whole photo.
constexpr std::size_t kKernelChunk = std::size_t{1} << 30;
constexpr std::size_t kBufferSize = std::size_t{256} << 10;

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = sys::Write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    if (written == 0) {
      errno = EIO;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

ssize_t ReadWriteOnce(int source, int target, std::vector<char>& buffer) {
  buffer.resize(kBufferSize);
  const ssize_t got = read(source, buffer.data(), buffer.size());
  if (got <= 0)
    return got;
  return WriteAll(target, buffer.data(), static_cast<std::size_t>(got)) ? got : -1;
}

// Copies from the current offset of `source` to its end, adding the bytes copied to `total`.
// copy_file_range can share blocks on one file system; sendfile works across file systems; read
// and write work everywhere. Each method is dropped for the next when the kernel or the file
// systems refuse it. The in-kernel ways stop at the size the file system reports, which some (a
// phone's, a network's, for files not fetched yet) report too small or as 0, so only read tells
// where the file ends.
std::error_code CopyContent(int source, int target, std::uint64_t& total) {
  enum class Method { kCopyFileRange, kSendfile, kReadWrite };
  Method method = Method::kCopyFileRange;
  std::vector<char> buffer;
  for (;;) {
    ssize_t copied = 0;
    switch (method) {
      case Method::kCopyFileRange:
        copied = sys::CopyFileRange(source, target, kKernelChunk);
        break;
      case Method::kSendfile:
        copied = sys::Sendfile(target, source, kKernelChunk);
        break;
      case Method::kReadWrite:
        copied = ReadWriteOnce(source, target, buffer);
        break;
    }
    if (copied > 0) {
      total += static_cast<std::uint64_t>(copied);
      NoteMoveProgress();
      continue;
    }
    if (copied == 0) {
      if (method == Method::kReadWrite)
        return {};
      // copy_file_range answers 0 at once for files whose size the kernel does not know, where
      // sendfile may still work; an in-kernel end anywhere else is checked by read.
      method =
          method == Method::kCopyFileRange && total == 0 ? Method::kSendfile : Method::kReadWrite;
      continue;
    }
    if (errno == EINTR)
      continue;
    if (method == Method::kCopyFileRange &&
        (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
      method = Method::kSendfile;
      continue;
    }
    if (method == Method::kSendfile && (errno == EINVAL || errno == ENOSYS)) {
      method = Method::kReadWrite;
      continue;
    }
    return LastError();
  }
}

// Answers by which a file system says it keeps no such attribute, as FAT does for permission
// bits; the copy is still whole without it.
bool AttributeUnsupported(int error) {
  return error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

// Answers by which a file system says it has no such way to give a file a name.
bool NamingUnsupported(int error) {
  return error != EEXIST && error != ENOENT && error != EIO && error != ENOSPC && error != EDQUOT &&
         error != EROFS;
}

std::error_code NotRegularFile() {
  return make_error_code(MoveError::kNotRegularFile);
}

// The file that receives the bytes in the target's directory. It has no name, or a hidden one,
// until it is complete; unless published, it is gone again when this object is.
class StagedFile {
 public:
  StagedFile(int directoryFd, const std::string& directoryPath)
      : directoryFd_(directoryFd), directoryPath_(directoryPath) {}
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  ~StagedFile() {
    struct stat now;
    if (!hiddenName_.empty() &&
        fstatat(directoryFd_, hiddenName_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        FileIdentity::Of(now).sameFile(staged_)) {
      sys::Unlink(directoryFd_, hiddenName_.c_str());
    }
  }

  int fd() const { return fd_.get(); }

  // Records the file as complete, to tell it by afterwards.
  std::error_code recordComplete() {
    struct stat status;
    if (fstat(fd_.get(), &status) != 0)
      return LastError();
    staged_ = FileIdentity::Of(status);
    return {};
  }

  std::error_code create(StagingFile staging) {
    if (staging == StagingFile::kUnnamedWhenSupported) {
      fd_.reset(sys::CreateUnnamed(directoryFd_, O_WRONLY | O_CLOEXEC, 0600));
      if (fd_)
        return {};
      // Older kernels see only O_DIRECTORY in O_TMPFILE and answer EISDIR.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOSYS)
        return LastError();
    }
    RemoveLeftoverTemporariesOnce(directoryFd_, directoryPath_);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = NewTemporaryName();
      fd_.reset(sys::CreateExclusive(directoryFd_, name.c_str(), O_WRONLY | O_CLOEXEC, 0600));
      if (fd_) {
        hiddenName_ = std::move(name);
        struct stat status;
        if (fstat(fd_.get(), &status) != 0)
          return LastError();
        staged_ = FileIdentity::Of(status);
        // Tells other copies of the program that clear leftovers that this one is being
        // written. Where the file system has no locks, they go by its age instead.
        sys::LockExclusiveNow(fd_.get());
        return {};
      }
      if (errno != EEXIST)
        return LastError();
    }
    return std::make_error_code(std::errc::file_exists);
  }

  // Gives the complete file its final name, failing rather than replacing an existing one. A
  // hidden name is a name in a folder others may write, so the new name is confirmed to hold
  // this very file afterwards.
  std::error_code publish(const std::string& name) {
    if (hiddenName_.empty()) {
      return sys::LinkUnnamed(fd_.get(), directoryFd_, name.c_str()) == 0 ? std::error_code()
                                                                          : LastError();
    }
    const EntryAt hidden{directoryFd_, hiddenName_};
    const EntryAt published{directoryFd_, name};
    if (sys::RenameNoReplace(directoryFd_, hiddenName_.c_str(), directoryFd_, name.c_str()) == 0)
      return settle(ConfirmRenamed(hidden, published, staged_));
    if (!NamingUnsupported(errno))
      return LastError();
    // A link is just as exclusive. The destructor removes the hidden name, linked or not.
    if (sys::Link(directoryFd_, hiddenName_.c_str(), directoryFd_, name.c_str()) == 0)
      return ConfirmLinked(hidden, published, staged_);
    if (!NamingUnsupported(errno))
      return LastError();
    return publishOverReservation(name);
  }

 private:
  // FAT and the like: the exclusive create decides who gets the name, and the rename then
  // replaces only that empty reservation. A kill in between leaves an empty file under the
  // name, never a partial one.
  std::error_code publishOverReservation(const std::string& name) {
    Reservation reservation(directoryFd_, name);
    if (auto error = reservation.take())
      return error;
    if (sys::RenameOver(directoryFd_, hiddenName_.c_str(), directoryFd_, name.c_str()) != 0)
      return LastError();
    reservation.keep();
    return settle(ConfirmRenamed({directoryFd_, hiddenName_}, {directoryFd_, name}, staged_));
  }

  // After a rename of the hidden name: it has moved on unless something else was put back there.
  std::error_code settle(std::error_code confirmed) {
    if (confirmed != MoveError::kReplacedPutBack)
      hiddenName_.clear();
    return confirmed;
  }

  int directoryFd_;
  const std::string& directoryPath_;
  UniqueFd fd_;
  FileIdentity staged_{};   // the file written, to tell it from one that took its hidden name
  std::string hiddenName_;  // empty for an unnamed file, and once the name has moved on
};

std::error_code OpenDirectory(const std::string& path, UniqueFd& fd) {
  fd.reset(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd ? std::error_code() : LastError();
}

}  // namespace

std::error_code CopyBytesToNewName(const CopyEnds& ends, StagingFile staging, FileIdentity* copied,
                                   const FileIdentity* checked) {
  // O_NOFOLLOW: a symbolic link that took the source's name is refused, not followed.
  // O_NONBLOCK keeps a fifo that took it from blocking the open.
  UniqueFd source(openat(ends.from.directoryFd, ends.from.name.c_str(),
                         O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
  if (!source) {
    // ELOOP: a symbolic link; ENXIO: a socket.
    return errno == ELOOP || errno == ENXIO ? NotRegularFile() : LastError();
  }
  struct stat status;
  if (sys::StatusOfOpen(source.get(), &status) != 0)
    return LastError();
  if (!S_ISREG(status.st_mode))
    return NotRegularFile();
  if (checked && !FileIdentity::Of(status).sameFile(*checked))
    return make_error_code(MoveError::kChangedWhileCopying);

  const int directory = ends.to.directoryFd;
  StagedFile staged(directory, ends.toDirectoryPath);
  if (auto error = staged.create(staging))
    return error;
  std::uint64_t bytes = 0;
  if (auto error = CopyContent(source.get(), staged.fd(), bytes))
    return error;
  // A file still being written would be copied half-way and then deleted.
  struct stat after;
  if (sys::StatusOfOpen(source.get(), &after) != 0)
    return LastError();
  if (!FileIdentity::Of(after).sameState(FileIdentity::Of(status)))
    return make_error_code(MoveError::kChangedWhileCopying);
  // Which of the two is right cannot be told, so the source stays as it is.
  if (after.st_size < 0 || bytes != static_cast<std::uint64_t>(after.st_size))
    return make_error_code(MoveError::kSizeDisagrees);

  // The copy belongs to whoever runs the program; set-id bits would lend that user's rights to
  // the file's author.
  if (sys::Fchmod(staged.fd(), status.st_mode & 0777) != 0 && !AttributeUnsupported(errno))
    return LastError();
  const timespec times[2] = {status.st_atim, status.st_mtim};
  if (sys::Futimens(staged.fd(), times) != 0 && !AttributeUnsupported(errno))
    return LastError();
  if (sys::Fsync(staged.fd()) != 0)
    return LastError();
  if (auto error = staged.recordComplete())
    return error;
  if (auto error = staged.publish(ends.to.name))
    return error;
  // The caller deletes the source next; the new name must survive a power cut first.
  if (auto error = SyncFolder(directory))
    return error;
  if (copied)
    *copied = FileIdentity::Of(after);
  return {};
}

std::error_code SyncFolder(int directoryFd) {
  if (sys::Fsync(directoryFd) == 0)
    return {};
  // An answer of "cannot" is no promise that the name is on disk, so the file system as a whole
  // is synced instead; only an answer of success from either lets the source go. The kernel
  // answers syncfs on a FUSE file system without asking its driver, so there it promises nothing.
  constexpr long kFuseMagic = 0x65735546;
  struct statfs fileSystem;
  if ((errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS) &&
      fstatfs(directoryFd, &fileSystem) == 0 && fileSystem.f_type != kFuseMagic &&
      sys::Syncfs(directoryFd) == 0) {
    return {};
  }
  return make_error_code(MoveError::kCopyNotDurable);
}

std::error_code CopyBytesToNewName(const std::string& from, const std::string& to,
                                   StagingFile staging, FileIdentity* copied) {
  const PathParts source = SplitPath(from);
  const PathParts target = SplitPath(to);
  UniqueFd sourceDirectory, targetDirectory;
  if (auto error = OpenDirectory(source.directory, sourceDirectory))
    return error;
  if (auto error = OpenDirectory(target.directory, targetDirectory))
    return error;
  return CopyBytesToNewName({{sourceDirectory.get(), source.name},
                             {targetDirectory.get(), target.name},
                             target.directory},
                            staging, copied);
}

}  // namespace varnoth
