// SPDX-License-Identifier: GPL-3.0-or-later
#include "reservation.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <utility>

#include "leftover_temporaries.h"
#include "system_calls.h"
#include "unique_fd.h"

namespace varnoth {

Reservation::Reservation(int directoryFd, std::string name)
    : directoryFd_(directoryFd), name_(std::move(name)) {}

Reservation::~Reservation() {
  if (held_) {
    // Only the file made here: never one that took the name meanwhile.
    struct stat now;
    if (fstatat(directoryFd_, name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        FileIdentity::Of(now).sameFile(identity_) && now.st_size == 0) {
      sys::Unlink(directoryFd_, name_.c_str());
    }
  }
  keep();
}

void Reservation::keep() {
  held_ = false;
  if (mark_) {
    sys::Unlink(directoryFd_, ReservationMarkOf(name_).c_str());
    mark_.reset();
  }
}

std::error_code Reservation::take() {
  // The mark first: on FAT the exclusive create is the only step that cannot be split, and each
  // step takes a while there, so a mark made after the reservation left one kill in eight
  // between the two with an empty file no later run could tell from a user's. A mark left beside
  // a file that was there before it (the create failed, then a kill) is told apart by its time:
  // a reservation is never older than its mark.
  const std::string mark = ReservationMarkOf(name_);
  mark_.reset(sys::CreateExclusive(directoryFd_, mark.c_str(), O_WRONLY | O_CLOEXEC, 0600));
  if (mark_)
    sys::LockExclusiveNow(mark_.get());
  UniqueFd fd(sys::CreateExclusive(directoryFd_, name_.c_str(), O_WRONLY | O_CLOEXEC, 0600));
  if (!fd) {
    const std::error_code error = LastError();
    keep();
    return error;
  }
  struct stat status;
  if (fstat(fd.get(), &status) != 0) {
    // Without its identity the destructor could not tell this file from one that took the name
    // later, so it goes now, right after its creation.
    const std::error_code error = LastError();
    sys::Unlink(directoryFd_, name_.c_str());
    keep();
    return error;
  }
  identity_ = FileIdentity::Of(status);
  held_ = true;
  return {};
}

}  // namespace varnoth
