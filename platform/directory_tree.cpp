// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory_tree.h"

#include <filesystem>

#include "current_directory.h"
#include "directory_snapshot.h"

namespace varnoth {

std::string NormalizeDirectoryPath(std::string_view path) {
  std::filesystem::path absolute(path);
  if (absolute.is_relative())
    absolute = std::filesystem::path(CurrentDirectory()) / absolute;
  std::string normal = absolute.lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/')
    normal.pop_back();
  return normal;
}

std::string RootOf(const std::string& /*path*/) {
  return "/";
}

std::vector<DirectoryItem> ReadDirectoryTree(const std::string& directory, std::error_code& error,
                                             const SnapshotReader& read) {
  error.clear();
  const std::string path = NormalizeDirectoryPath(directory);
  // The same read, often cached, that the file lists of this directory use.
  const auto snapshot = read(path, error);
  if (!snapshot)
    return {};

  std::vector<DirectoryItem> items;
  items.push_back(DirectoryItem{"/", "/", 0, true});
  for (std::size_t slash = path.find('/', 1), start = 1; start < path.size();
       start = slash + 1, slash = path.find('/', start)) {
    if (slash == std::string::npos)
      slash = path.size();
    items.push_back(DirectoryItem{path.substr(start, slash - start), path.substr(0, slash),
                                  static_cast<int>(items.size()), true});
  }
  const int childDepth = static_cast<int>(items.size());
  const std::string prefix = path == "/" ? "/" : path + "/";
  for (const auto& name : snapshot->subdirectories) {
    items.push_back(DirectoryItem{name, prefix + name, childDepth, false});
  }
  return items;
}

}  // namespace varnoth
