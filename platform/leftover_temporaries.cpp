// SPDX-License-Identifier: GPL-3.0-or-later
#include "leftover_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <mutex>
#include <random>
#include <set>
#include <vector>

#include "file_identity.h"
#include "system_calls.h"
#include "unique_fd.h"

namespace varnoth {

namespace {

constexpr std::string_view kPrefix = ".varnoth-";
constexpr std::string_view kMarkPrefix = ".varnoth-reserved-";
constexpr std::string_view kLetters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t kRandomLetters = 6;
// Long enough that no copy of one photo, however slow the card, is still being written.
constexpr time_t kUnlockedAgeSeconds = time_t{60} * 60;

// Whether nobody is writing the file: a writer holds a lock for as long as it writes.
bool Abandoned(int fd, const struct stat& status) {
  if (sys::LockExclusiveNow(fd) == 0)
    return true;
  if (errno == EWOULDBLOCK || errno == EINTR)
    return false;
  // No locks on this file system: only age tells.
  return status.st_mtim.tv_sec + kUnlockedAgeSeconds < std::time(nullptr);
}

void RemoveIfAbandoned(int directoryFd, const char* name) {
  struct stat named;
  if (fstatat(directoryFd, name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode))
    return;
  UniqueFd fd(openat(directoryFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat opened;
  if (!fd || fstat(fd.get(), &opened) != 0 || !Abandoned(fd.get(), opened))
    return;
  // The name must still be the file that was judged, not one that took its place meanwhile.
  if (fstatat(directoryFd, name, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
      !FileIdentity::Of(named).sameFile(FileIdentity::Of(opened))) {
    return;
  }
  sys::Unlink(directoryFd, name);
}

// The regular file `name` of the directory, opened without following a link; -1 otherwise.
UniqueFd OpenRegular(int directoryFd, const char* name, struct stat& status) {
  UniqueFd fd(openat(directoryFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd || fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
    return UniqueFd();
  return fd;
}

// Whether `name` still names the file that was judged, not one that took its place meanwhile.
bool StillNames(int directoryFd, const char* name, const struct stat& judged) {
  struct stat now;
  return fstatat(directoryFd, name, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
         FileIdentity::Of(now).sameFile(FileIdentity::Of(judged));
}

void RemoveIfAbandonedReservation(int directoryFd, const std::string& markName) {
  struct stat mark;
  const UniqueFd markFd = OpenRegular(directoryFd, markName.c_str(), mark);
  if (!markFd || !Abandoned(markFd.get(), mark))
    return;
  const std::string reserved = markName.substr(kMarkPrefix.size());
  struct stat reservation;
  const UniqueFd reservationFd = OpenRegular(directoryFd, reserved.c_str(), reservation);
  // A reservation is made after its mark; an older file was there before and is someone else's.
  const bool notOlder = reservation.st_mtim.tv_sec > mark.st_mtim.tv_sec ||
                        (reservation.st_mtim.tv_sec == mark.st_mtim.tv_sec &&
                         reservation.st_mtim.tv_nsec >= mark.st_mtim.tv_nsec);
  if (reservationFd && reservation.st_size == 0 && notOlder &&
      StillNames(directoryFd, reserved.c_str(), reservation)) {
    sys::Unlink(directoryFd, reserved.c_str());
  }
  if (StillNames(directoryFd, markName.c_str(), mark))
    sys::Unlink(directoryFd, markName.c_str());
}

}  // namespace

std::string ReservationMarkOf(const std::string& name) {
  return std::string(kMarkPrefix) + name;
}

bool IsReservationMark(std::string_view name) {
  return name.size() > kMarkPrefix.size() && name.starts_with(kMarkPrefix);
}

void RemoveLeftoverReservations(int directoryFd) {
  const int readFd = openat(directoryFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (readFd < 0)
    return;
  DIR* stream = fdopendir(readFd);
  if (!stream) {
    close(readFd);
    return;
  }
  std::vector<std::string> marks;
  while (const dirent* entry = readdir(stream)) {
    if (IsReservationMark(entry->d_name))
      marks.emplace_back(entry->d_name);
  }
  closedir(stream);
  for (const std::string& mark : marks)
    RemoveIfAbandonedReservation(directoryFd, mark);
}

std::string NewTemporaryName() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name(kPrefix);
  for (std::size_t i = 0; i < kRandomLetters; ++i)
    name.push_back(kLetters[random() % kLetters.size()]);
  return name;
}

bool IsTemporaryName(std::string_view name) {
  if (name.size() != kPrefix.size() + kRandomLetters || !name.starts_with(kPrefix))
    return false;
  return name.substr(kPrefix.size()).find_first_not_of(kLetters) == std::string_view::npos;
}

void RemoveLeftoverTemporariesOnce(int directoryFd, const std::string& path) {
  struct stat directory;
  if (fstat(directoryFd, &directory) != 0)
    return;
  static std::mutex mutex;
  static std::set<std::string> visited;
  {
    // The path as well as the inode: a directory made after another was removed may reuse its
    // inode number.
    const std::lock_guard lock(mutex);
    const std::string key =
        std::to_string(directory.st_dev) + ":" + std::to_string(directory.st_ino) + ":" + path;
    if (!visited.insert(key).second)
      return;
  }
  // A descriptor of its own: readdir moves the position of the one it reads.
  const int readFd = openat(directoryFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (readFd < 0)
    return;
  DIR* stream = fdopendir(readFd);
  if (!stream) {
    close(readFd);
    return;
  }
  while (const dirent* entry = readdir(stream)) {
    if (IsTemporaryName(entry->d_name))
      RemoveIfAbandoned(directoryFd, entry->d_name);
  }
  closedir(stream);
}

}  // namespace varnoth
