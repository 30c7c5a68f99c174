// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "file_identity.h"
#include "unique_fd.h"

namespace varnoth {

// An empty file that holds a new name, made by an exclusive create, on file systems that can
// neither link nor rename without replacing: the create decides who gets the name, and a rename
// then replaces only this empty file. Unless kept, it is removed again when this object is, and
// only if the name still holds it, empty. A mark beside it, made just before it and locked while
// this object lives, tells a later run that an empty file under the name was left by a killed
// move.
class Reservation {
 public:
  // `name` is relative to `directoryFd` (or a path, with AT_FDCWD).
  Reservation(int directoryFd, std::string name);
  Reservation(const Reservation&) = delete;
  Reservation& operator=(const Reservation&) = delete;
  ~Reservation();

  std::error_code take();
  // The rename has replaced the reservation: the name is no longer this object's to remove.
  void keep();

 private:
  int directoryFd_;
  std::string name_;
  FileIdentity identity_{};
  bool held_ = false;
  UniqueFd mark_;  // open while the mark exists
};

}  // namespace varnoth
