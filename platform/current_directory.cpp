// SPDX-License-Identifier: GPL-3.0-or-later
#include "current_directory.h"

#include <unistd.h>

#include <memory>

namespace varnoth {

std::string CurrentDirectory() {
  std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
  return cwd ? std::string(cwd.get()) : std::string("/");
}

std::string StartDirectoryOn(const std::string& drive) {
  return drive;
}

}  // namespace varnoth
