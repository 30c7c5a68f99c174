#include "durable_copy.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <vector>

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
    const ssize_t written = write(fd, data, size);
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
        copied = copy_file_range(source, nullptr, target, nullptr, kKernelChunk, 0);
        break;
      case Method::kSendfile:
        copied = sendfile(target, source, nullptr, kKernelChunk);
        break;
      case Method::kReadWrite:
        copied = ReadWriteOnce(source, target, buffer);
        break;
    }
    if (copied > 0) {
      copiedAny = true;
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

std::string HiddenTemporaryName() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name = ".varnoth-";
  for (int i = 0; i < 6; ++i)
    name.push_back(kLetters[random() % (sizeof kLetters - 1)]);
  return name;
}

// The file that receives the bytes in the target's directory. It has no name, or a hidden one,
// until it is complete; unless published, it is gone again when this object is.
class StagedFile {
 public:
  explicit StagedFile(int directoryFd) : directoryFd_(directoryFd) {}
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  ~StagedFile() {
    if (!hiddenName_.empty())
      unlinkat(directoryFd_, hiddenName_.c_str(), 0);
  }

  int fd() const { return fd_.get(); }

  std::error_code create(StagingFile staging) {
    if (staging == StagingFile::kUnnamedWhenSupported) {
      fd_.reset(openat(directoryFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
      if (fd_)
        return {};
      // Older kernels see only O_DIRECTORY in O_TMPFILE and answer EISDIR.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return LastError();
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = HiddenTemporaryName();
      fd_.reset(openat(directoryFd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
      if (fd_) {
        hiddenName_ = std::move(name);
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
      const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
      if (linkat(AT_FDCWD, self.c_str(), directoryFd_, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return LastError();
      }
      return {};
    }
    if (renameat2(directoryFd_, hiddenName_.c_str(), directoryFd_, name.c_str(),
                  RENAME_NOREPLACE) == 0) {
      hiddenName_.clear();
      return {};
    }
    if (errno != EINVAL && errno != ENOSYS)
      return LastError();
    // No RENAME_NOREPLACE on this file system: a link is just as exclusive. The destructor
    // removes the hidden name, successful or not.
    if (linkat(directoryFd_, hiddenName_.c_str(), directoryFd_, name.c_str(), 0) != 0) {
      return LastError();
    }
    return {};
  }

 private:
  int directoryFd_;
  UniqueFd fd_;
  std::string hiddenName_;  // empty for an unnamed file, and once the name has moved on
};

}  // namespace

std::error_code CopyBytesToNewName(const std::string& from, const std::string& to,
                                   StagingFile staging) {
  // O_NONBLOCK keeps a fifo that took the source's name from blocking the open.
  UniqueFd source(open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!source)
    return LastError();
  struct stat status;
  if (fstat(source.get(), &status) != 0)
    return LastError();
  if (S_ISDIR(status.st_mode))
    return std::make_error_code(std::errc::is_a_directory);
  if (!S_ISREG(status.st_mode))
    return std::make_error_code(std::errc::invalid_argument);

  const PathParts target = SplitPath(to);
  UniqueFd directory(open(target.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!directory)
    return LastError();

  StagedFile staged(directory.get());
  if (auto error = staged.create(staging))
    return error;
  if (auto error = CopyContent(source.get(), staged.fd()))
    return error;
  // The copy belongs to whoever runs the program; set-id bits would lend that user's rights to
  // the file's author.
  if (fchmod(staged.fd(), status.st_mode & 0777) != 0)
    return LastError();
  const timespec times[2] = {status.st_atim, status.st_mtim};
  if (futimens(staged.fd(), times) != 0)
    return LastError();
  if (fsync(staged.fd()) != 0)
    return LastError();
  if (auto error = staged.publish(target.name))
    return error;
  // The caller deletes the source next; the new name must survive a power cut first. Some file
  // systems cannot sync a directory (EINVAL) and write names through at once instead.
  if (fsync(directory.get()) != 0 && errno != EINVAL)
    return LastError();
  return {};
}

}  // namespace varnoth
