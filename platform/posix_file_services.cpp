#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "durable_copy.h"
#include "posix_file_services.h"
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

// Reasons for which a hard link is refused although a byte copy may work.
bool LinkRefused(int error) {
  switch (error) {
    case EXDEV:       // another file system
    case EPERM:       // FAT-like file systems; append-only or immutable sources
    case EMLINK:      // the source has as many links as the file system allows
    case EOPNOTSUPP:  // same value as ENOTSUP here
      return true;
    default:
      return false;
  }
}

}  // namespace

MoveResult PosixFileServices::moveFile(const std::string& from, const std::string& to) {
  if (auto error = copyFile(from, to))
    return {MoveResult::Step::kCopy, error};
  if (auto error = deleteFile(from))
    return {MoveResult::Step::kDelete, error};
  return {};
}

std::error_code PosixFileServices::copyFile(const std::string& from, const std::string& to) {
  if (!Representable(from) || !Representable(to))
    return InvalidPath();
  // A hard link first: instant on one file system, keeps content and times, and fails with
  // EEXIST rather than replace a name. No directory sync here: the link and the later delete
  // of the source are journalled in order, so a crash cannot keep the delete and lose the link.
  if (linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0)
    return {};
  if (!LinkRefused(errno))
    return LastError();
  return CopyBytesToNewName(from, to);
}

std::error_code PosixFileServices::deleteFile(const std::string& path) {
  if (!Representable(path))
    return InvalidPath();
  return unlink(path.c_str()) == 0 ? std::error_code() : LastError();
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
