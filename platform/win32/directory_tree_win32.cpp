// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cctype>
#include <vector>

#include "directory_snapshot.h"
#include "directory_tree.h"
#include "win32/win32_names.h"

namespace varnoth {

namespace {

// The length of the root that starts `path`: 3 for "C:\", the "\\server\share\" of a network
// path; 0 when there is none.
std::size_t RootLength(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\')
    return 3;
  if (path.substr(0, 2) == "\\\\") {
    const auto server = path.find('\\', 2);
    if (server == std::string_view::npos)
      return 0;
    const auto share = path.find('\\', server + 1);
    return share == std::string_view::npos ? path.size() : share + 1;
  }
  return 0;
}

}  // namespace

std::string NormalizeDirectoryPath(std::string_view path) {
  const std::wstring wide = Wide(path);
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = 0;
  for (;;) {
    length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length < buffer.size())
      break;
    buffer.resize(length);
  }
  std::string normal = length == 0 ? std::string(path) : Bytes({buffer.data(), length});
  if (normal.size() >= 2 && normal[1] == ':')
    normal[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(normal[0])));
  while (normal.size() > std::max<std::size_t>(RootLength(normal), 1) && normal.back() == '\\')
    normal.pop_back();
  return normal;
}

std::string RootOf(const std::string& path) {
  const std::size_t root = RootLength(path);
  return root ? path.substr(0, root) : std::string("C:\\");
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
  const std::size_t root = RootLength(path);
  items.push_back(DirectoryItem{path.substr(0, root), path.substr(0, root), 0, true});
  for (std::size_t start = root; start < path.size();) {
    std::size_t slash = path.find('\\', start);
    if (slash == std::string::npos)
      slash = path.size();
    items.push_back(DirectoryItem{path.substr(start, slash - start), path.substr(0, slash),
                                  static_cast<int>(items.size()), true});
    start = slash + 1;
  }
  const int childDepth = static_cast<int>(items.size());
  const std::string prefix = path.back() == '\\' ? path : path + "\\";
  for (const auto& name : snapshot->subdirectories)
    items.push_back(DirectoryItem{name, prefix + name, childDepth, false});
  return items;
}

}  // namespace varnoth
