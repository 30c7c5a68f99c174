// SPDX-License-Identifier: GPL-3.0-or-later
#include "current_directory.h"
#include "directory_tree.h"

#include <vector>

#include "win32/win32_names.h"

namespace varnoth {

namespace {

// The full path the system makes of `path`, "" when it cannot.
std::string FullPath(const std::wstring& path) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0)
      return {};
    if (length < buffer.size())
      return Bytes(std::wstring_view(buffer.data(), length));
    buffer.resize(length);
  }
}

}  // namespace

std::string CurrentDirectory() {
  std::string path = FullPath(L".");
  return path.empty() ? std::string("C:\\") : path;
}

std::string StartDirectoryOn(const std::string& drive) {
  // "D:" alone means the current directory of drive D, which each process keeps per drive.
  if (drive.size() >= 2 && drive[1] == ':')
    return NormalizeDirectoryPath(drive.substr(0, 2));
  return drive;
}

}  // namespace varnoth
