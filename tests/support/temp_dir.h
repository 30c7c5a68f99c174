// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace varnoth::test {

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  explicit TempDir(const std::string& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Writes `bytes` to `name` below this directory (its parents must exist), with the given
  // modification time when there is one; returns the file's path.
  std::string createFile(const std::string& name, const std::string& bytes,
                         std::optional<std::time_t> modified = std::nullopt) const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// Names of every entry in `directory` (hidden ones too), sorted by bytes.
std::vector<std::string> NamesIn(const std::string& directory);

}  // namespace varnoth::test
