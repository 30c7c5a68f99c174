#include "platform/directory_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/current_directory.h"
#include "platform/natural_order.h"

namespace varnoth {

namespace {
struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
}  // namespace

std::string NormalizeDirectoryPath(std::string_view path) {
  std::filesystem::path absolute(path);
  if (absolute.is_relative())
    absolute = std::filesystem::path(currentDirectory()) / absolute;
  std::string normal = absolute.lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/')
    normal.pop_back();
  return normal;
}

namespace {

bool IsDirectory(int directoryFd, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN)
    return entry.d_type == DT_DIR;
  struct stat info {};
  return fstatat(directoryFd, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(info.st_mode);
}

std::vector<std::string> ReadSubdirectories(const std::string& directory, std::error_code& error) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, DirCloser> dir(opendir(directory.c_str()));
  if (!dir) {
    error.assign(errno, std::generic_category());
    return names;
  }
  errno = 0;
  while (dirent* entry = readdir(dir.get())) {
    if (entry->d_name[0] != '.' && IsDirectory(dirfd(dir.get()), *entry)) {
      names.emplace_back(entry->d_name);
    }
    errno = 0;
  }
  if (errno != 0) {
    error.assign(errno, std::generic_category());
    return {};
  }
  SortNaturally(names);
  return names;
}

}  // namespace

std::vector<DirectoryItem> ReadDirectoryTree(const std::string& directory, std::error_code& error) {
  error.clear();
  const std::string path = NormalizeDirectoryPath(directory);
  auto children = ReadSubdirectories(path, error);
  if (error)
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
  for (auto& name : children) {
    items.push_back(DirectoryItem{name, prefix + name, childDepth, false});
  }
  return items;
}

}  // namespace varnoth
