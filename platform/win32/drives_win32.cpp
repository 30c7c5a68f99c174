// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "drives.h"
#include "win32/win32_names.h"

namespace varnoth {

std::vector<Drive> ReadMountedDrives() {
  std::vector<Drive> drives;
  std::vector<wchar_t> buffer(256);
  DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length > buffer.size()) {
    buffer.resize(length);
    length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  // A drive without a medium would otherwise ask the user to insert one.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  for (const wchar_t* root = buffer.data(); length > 0 && *root; root += wcslen(root) + 1) {
    std::array<wchar_t, MAX_PATH + 1> label{};
    Drive drive{Bytes(root), ""};
    if (GetVolumeInformationW(root, label.data(), static_cast<DWORD>(label.size()), nullptr,
                              nullptr, nullptr, nullptr, 0))
      drive.volumeName = Bytes(label.data());
    drives.push_back(std::move(drive));
  }
  SetErrorMode(oldMode);
  if (drives.empty())
    drives.push_back(Drive{"C:\\", ""});
  return drives;
}

bool IsPathUnder(std::string_view path, std::string_view tree) {
  auto same = [](char a, char b) {
    if (a == '/')
      a = '\\';
    if (b == '/')
      b = '\\';
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  if (tree.empty() || path.size() < tree.size() ||
      !std::equal(tree.begin(), tree.end(), path.begin(), same))
    return false;
  // A root ends in its separator ("D:\"); any other tree is followed by one or by nothing.
  return path.size() == tree.size() || tree.back() == '\\' || tree.back() == '/' ||
         path[tree.size()] == '\\' || path[tree.size()] == '/';
}

std::string DriveCaption(const Drive& drive) {
  std::string caption = drive.mountPoint;
  if (caption.size() == 3 && caption[1] == ':')
    caption.pop_back();  // "C:", as Windows names drives
  if (!drive.volumeName.empty())
    caption += " [" + drive.volumeName + "]";
  return caption;
}

}  // namespace varnoth
