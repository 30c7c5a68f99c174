// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "ports/file_services.h"

namespace varnoth {

// The file services of the real file system.
class PosixFileServices final : public FileServices {
 public:
  MoveResult moveFile(const std::string& from, const std::string& to) override;
  std::error_code makeDirectory(const std::string& path) override;

  // The two steps of a move that cannot be one rename, on their own. The copy is a hard link
  // where the file system allows one, else a byte copy; either has the guarantees that moveFile
  // gives `to`, and refuses a source that is not a regular file.
  std::error_code copyFile(const std::string& from, const std::string& to);
  std::error_code deleteFile(const std::string& path);
};

PosixFileServices& systemFileServices();

}  // namespace varnoth
