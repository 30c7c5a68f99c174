// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "ports/file_services.h"

namespace varnoth {

// The file services of the real file system on Windows, with the promises of FileServices: one
// MoveFileExW within a volume; across volumes a copy under a hidden temporary name in the target
// folder, flushed, renamed onto the final name with write-through and never over another file,
// and only then the source deleted, through the handle it was read from.
class Win32FileServices final : public FileServices {
 public:
  MoveResult moveFile(const std::string& from, const std::string& to) override;
  std::error_code makeDirectory(const std::string& path) override;
};

Win32FileServices& systemFileServices();

}  // namespace varnoth
