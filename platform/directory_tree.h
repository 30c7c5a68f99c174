// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "directory_snapshot.h"

namespace varnoth {

// One line of a directory list.
struct DirectoryItem {
  std::string name;   // bytes; the root itself ("/", "C:\") for the root
  std::string path;   // absolute
  int depth = 0;      // indentation level
  bool open = false;  // the current directory and its ancestors are drawn as open folders
};

// Makes a path absolute and lexically clean: no "." or ".." or doubled separator, and no trailing
// separator except at the root. Symbolic links are kept as the user named them.
std::string NormalizeDirectoryPath(std::string_view path);

// The root of the drive that holds `path` ("/" on POSIX, "C:\" for "C:\Photos").
std::string RootOf(const std::string& path);

// The classic look of a directory list: the root and every ancestor of `directory`, the directory
// itself, then its non-hidden sub-directories in natural order, one level deeper. Fails with the
// system's reason when the directory cannot be read.
std::vector<DirectoryItem> ReadDirectoryTree(const std::string& directory, std::error_code& error,
                                             const SnapshotReader& read = ReadDirectorySnapshot);

}  // namespace varnoth
