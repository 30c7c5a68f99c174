// SPDX-License-Identifier: GPL-3.0-or-later
#include "durable_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

struct PathParts {
  std::string directory;
  std::string name;
};

PathParts SplitPath(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos)
    return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

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

// Copies from the current offset of `source` to its end. copy_file_range can share blocks on one
// file system; sendfile works across file systems; read and write work everywhere. Each method is
// dropped for the next when the kernel or the file systems refuse it.
std::error_code CopyContent(int source, int target) {
  enum class Method { kCopyFileRange, kSendfile, kReadWrite };
  Method method = Method::kCopyFileRange;
  bool copiedAny = false;
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
      copiedAny = true;
      NoteMoveProgress();
      continue;
    }
    if (copied == 0) {
      // copy_file_range answers 0 at once for files whose size the kernel does not know.
      if (method == Method::kCopyFileRange && !copiedAny) {
        method = Method::kSendfile;
        continue;
      }
      return {};
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
    if (!hiddenName_.empty())
      sys::Unlink(directoryFd_, hiddenName_.c_str());
  }

  int fd() const { return fd_.get(); }

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

  // Gives the complete file its final name, failing rather than replacing an existing one.
  std::error_code publish(const std::string& name) {
    if (hiddenName_.empty()) {
      return sys::LinkUnnamed(fd_.get(), directoryFd_, name.c_str()) == 0 ? std::error_code()
                                                                          : LastError();
    }
    if (sys::RenameNoReplace(directoryFd_, hiddenName_.c_str(), directoryFd_, name.c_str()) == 0) {
      hiddenName_.clear();
      return {};
    }
    if (!NamingUnsupported(errno))
      return LastError();
    // A link is just as exclusive. The destructor removes the hidden name, linked or not.
    if (sys::Link(directoryFd_, hiddenName_.c_str(), directoryFd_, name.c_str()) == 0)
      return {};
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
    hiddenName_.clear();
    return {};
  }

  int directoryFd_;
  const std::string& directoryPath_;
  UniqueFd fd_;
  std::string hiddenName_;  // empty for an unnamed file, and once the name has moved on
};

}  // namespace

std::error_code CopyBytesToNewName(const std::string& from, const std::string& to,
                                   StagingFile staging, FileIdentity* copied) {
  // O_NOFOLLOW: a symbolic link that took the source's name is refused, not followed.
  // O_NONBLOCK keeps a fifo that took it from blocking the open.
  UniqueFd source(open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
  if (!source) {
    // ELOOP: a symbolic link; ENXIO: a socket.
    return errno == ELOOP || errno == ENXIO ? NotRegularFile() : LastError();
  }
  struct stat status;
  if (fstat(source.get(), &status) != 0)
    return LastError();
  if (!S_ISREG(status.st_mode))
    return NotRegularFile();

  const PathParts target = SplitPath(to);
  UniqueFd directory(open(target.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!directory)
    return LastError();

  StagedFile staged(directory.get(), target.directory);
  if (auto error = staged.create(staging))
    return error;
  if (auto error = CopyContent(source.get(), staged.fd()))
    return error;
  // A file still being written would be copied half-way and then deleted.
  struct stat after;
  if (fstat(source.get(), &after) != 0)
    return LastError();
  if (!FileIdentity::Of(after).sameState(FileIdentity::Of(status)))
    return make_error_code(MoveError::kChangedWhileCopying);

  // The copy belongs to whoever runs the program; set-id bits would lend that user's rights to
  // the file's author.
  if (sys::Fchmod(staged.fd(), status.st_mode & 0777) != 0 && !AttributeUnsupported(errno))
    return LastError();
  const timespec times[2] = {status.st_atim, status.st_mtim};
  if (sys::Futimens(staged.fd(), times) != 0 && !AttributeUnsupported(errno))
    return LastError();
  if (sys::Fsync(staged.fd()) != 0)
    return LastError();
  if (auto error = staged.publish(target.name))
    return error;
  // The caller deletes the source next; the new name must survive a power cut first. Some file
  // systems cannot sync a directory (EINVAL) and write names through at once instead.
  if (sys::Fsync(directory.get()) != 0 && errno != EINVAL)
    return make_error_code(MoveError::kCopyNotDurable);
  if (copied)
    *copied = FileIdentity::Of(after);
  return {};
}

}  // namespace varnoth
