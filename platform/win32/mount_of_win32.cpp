// SPDX-License-Identifier: GPL-3.0-or-later
// Which volume to name when a wait is given up, and a question of its own to ask it. A drive or
// share that stopped answering would stall any call that looks at it, so the volume is read from
// the path's spelling.
#include <cctype>
#include <vector>

#include "mount_of.h"
#include "unanswered_folders.h"
#include "win32/win32_names.h"

namespace varnoth {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The components of `text` between separators, doubled separators giving none.
std::vector<std::string_view> Components(std::string_view text, std::size_t count) {
  std::vector<std::string_view> parts;
  std::size_t at = 0;
  while (parts.size() < count) {
    while (at < text.size() && IsSeparator(text[at]))
      ++at;
    if (at == text.size())
      break;
    std::size_t end = at;
    while (end < text.size() && !IsSeparator(text[end]))
      ++end;
    parts.push_back(text.substr(at, end - at));
    at = end;
  }
  return parts;
}

}  // namespace

std::string VolumeRootOf(std::string_view path) {
  auto upper = [](char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  };
  bool network = false;
  // "\\?\" and "\\.\" only lift the length limit; "\\?\UNC\server\share" is a share.
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == '?' || path[2] == '.') && IsSeparator(path[3])) {
    path.remove_prefix(4);
    network = path.size() >= 4 && upper(path[0]) == 'U' && upper(path[1]) == 'N' &&
              upper(path[2]) == 'C' && IsSeparator(path[3]);
    if (network)
      path.remove_prefix(4);
  } else {
    network = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  }
  if (network) {
    const auto parts = Components(path, 2);
    if (parts.size() < 2)
      return {};
    return "\\\\" + std::string(parts[0]) + "\\" + std::string(parts[1]);
  }
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return {upper(path[0]), ':', '\\'};
  return {};
}

std::string UnansweredFolders::Blame(const std::string& path) {
  const std::string volume = VolumeRootOf(path);
  return volume.empty() ? path : volume;
}

bool FileSystemAnswers(const std::string& folder) {
  std::wstring root = Wide(folder);
  if (!root.empty() && root.back() != L'\\')
    root += L'\\';  // a share's root is named with its separator
  ULARGE_INTEGER available;
  return GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr) != 0;
}

}  // namespace varnoth
