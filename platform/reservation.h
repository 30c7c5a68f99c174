// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "file_identity.h"

namespace varnoth {

// An empty file that holds a new name, made by an exclusive create, on file systems that can
// neither link nor rename without replacing: the create decides who gets the name, and a rename
// then replaces only this empty file. Unless kept, it is removed again when this object is, and
// only if the name still holds it, empty.
class Reservation {
 public:
  // `name` is relative to `directoryFd` (or a path, with AT_FDCWD).
  Reservation(int directoryFd, std::string name);
  Reservation(const Reservation&) = delete;
  Reservation& operator=(const Reservation&) = delete;
  ~Reservation();

  std::error_code take();
  void keep() { held_ = false; }

 private:
  int directoryFd_;
  std::string name_;
  FileIdentity identity_{};
  bool held_ = false;
};

}  // namespace varnoth
