#pragma once

#include <string>
#include <system_error>

namespace varnoth {

// The file operations the program performs. Paths are byte strings, passed to the system as they
// are, so names that are not valid UTF-8 survive unchanged.
class FileServices {
 public:
  virtual ~FileServices() = default;

  // Copies `from` to `to` with its bytes, modification time and permission bits. Never replaces
  // an existing `to`, and never leaves a partial file under `to`: it appears complete or not at
  // all, and is on disk before success is reported.
  virtual std::error_code copyFile(const std::string& from, const std::string& to) = 0;

  virtual std::error_code deleteFile(const std::string& path) = 0;

  // Creates one directory level; the parent must exist.
  virtual std::error_code makeDirectory(const std::string& path) = 0;
};

// The real file system.
FileServices& systemFileServices();

}  // namespace varnoth
