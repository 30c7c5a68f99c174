// SPDX-License-Identifier: GPL-3.0-or-later
#include "drives.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "display_name.h"

namespace varnoth {

namespace {
struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
}  // namespace

namespace {

constexpr std::array kPseudoFileSystems{
    "autofs", "binfmt_misc", "bpf",        "cgroup",     "cgroup2",   "configfs", "debugfs",
    "devpts", "devtmpfs",    "efivarfs",   "fusectl",    "hugetlbfs", "mqueue",   "nsfs",
    "proc",   "pstore",      "rpc_pipefs", "securityfs", "sysfs",     "tracefs",  "selinuxfs"};

constexpr std::array kSystemTrees{"/proc", "/sys", "/dev", "/run"};

bool IsUnder(std::string_view path, std::string_view tree) {
  return path == tree || (path.size() > tree.size() && path.substr(0, tree.size()) == tree &&
                          path[tree.size()] == '/');
}

// mountinfo escapes blanks and other awkward bytes as \ooo (octal), udev's labels as \xhh.
std::string Unescape(std::string_view text) {
  auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
  auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool roomForThree = i + 3 < text.size();
    if (text[i] == '\\' && roomForThree && text[i + 1] == 'x' && isHex(text[i + 2]) &&
        isHex(text[i + 3])) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
      i += 3;
    } else if (text[i] == '\\' && roomForThree && isOctal(text[i + 1]) && isOctal(text[i + 2]) &&
               isOctal(text[i + 3])) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 3)), nullptr, 8));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::map<std::string, std::string> ReadVolumeLabels() {
  std::map<std::string, std::string> labels;
  const std::string byLabel = "/dev/disk/by-label";
  std::unique_ptr<DIR, DirCloser> dir(opendir(byLabel.c_str()));
  if (!dir)
    return labels;
  while (dirent* entry = readdir(dir.get())) {
    if (entry->d_name[0] == '.')
      continue;
    std::unique_ptr<char, decltype(&free)> device(
        realpath((byLabel + "/" + entry->d_name).c_str(), nullptr), &free);
    if (device)
      labels[device.get()] = Unescape(entry->d_name);
  }
  return labels;
}

}  // namespace

std::vector<Drive> ParseMountInfo(std::string_view mountInfo,
                                  const std::map<std::string, std::string>& labels) {
  std::map<std::string, Drive> byMountPoint;
  std::istringstream lines{std::string(mountInfo)};
  std::string line;
  while (std::getline(lines, line)) {
    // id parent major:minor root mount-point options [optional fields...] - type source super
    std::istringstream fields(line);
    std::vector<std::string> words{std::istream_iterator<std::string>(fields),
                                   std::istream_iterator<std::string>()};
    auto separator = std::find(words.begin(), words.end(), "-");
    if (words.size() < 5 || separator == words.end() || std::distance(separator, words.end()) < 3) {
      continue;
    }
    const std::string mountPoint = Unescape(words[4]);
    const std::string& type = *(separator + 1);
    const std::string device = Unescape(*(separator + 2));
    if (std::find(kPseudoFileSystems.begin(), kPseudoFileSystems.end(), type) !=
        kPseudoFileSystems.end()) {
      continue;
    }
    if (std::any_of(kSystemTrees.begin(), kSystemTrees.end(),
                    [&](const char* tree) { return IsUnder(mountPoint, tree); })) {
      continue;
    }
    auto label = labels.find(device);
    byMountPoint[mountPoint] = Drive{mountPoint, label == labels.end() ? "" : label->second};
  }
  std::vector<Drive> drives;
  drives.reserve(byMountPoint.size());
  for (auto& [mountPoint, drive] : byMountPoint)
    drives.push_back(std::move(drive));
  return drives;
}

namespace {

std::vector<Drive> DrivesOrRoot(std::string_view mountInfo) {
  auto drives = ParseMountInfo(mountInfo, ReadVolumeLabels());
  if (drives.empty())
    drives.push_back(Drive{"/", ""});
  return drives;
}

}  // namespace

std::vector<Drive> ReadMountedDrives(const std::string& mountInfo) {
  std::ifstream in(mountInfo);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return DrivesOrRoot(text);
}

std::vector<Drive> ReadMountedDrives(int mountInfoFd) {
  std::string text;
  if (lseek(mountInfoFd, 0, SEEK_SET) == 0) {
    std::array<char, 16384> buffer{};
    ssize_t got = 0;
    while ((got = read(mountInfoFd, buffer.data(), buffer.size())) > 0 ||
           (got < 0 && errno == EINTR)) {
      if (got > 0)
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
  }
  return DrivesOrRoot(text);
}

std::vector<std::string> ParseMountPoints(std::string_view mountInfo) {
  std::vector<std::string> mountPoints;
  std::istringstream lines{std::string(mountInfo)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string word;
    for (int field = 0; field < 5 && fields >> word; ++field) {
      if (field == 4)
        mountPoints.push_back(Unescape(word));
    }
  }
  return mountPoints;
}

std::string MountPointHolding(std::string_view path, const std::vector<std::string>& mountPoints) {
  std::string best = "/";
  for (const auto& mount : mountPoints) {
    if (mount != "/" && IsUnder(path, mount) && mount.size() > best.size())
      best = mount;
  }
  return best;
}

bool IsPathUnder(std::string_view path, std::string_view tree) {
  return tree == "/" ? !path.empty() && path[0] == '/' : IsUnder(path, tree);
}

std::string DriveCaption(const Drive& drive) {
  if (drive.mountPoint == "/" && drive.volumeName.empty())
    return "/";
  // A caption is only ever shown, so it shows both names by the rule for showing names.
  std::string name = drive.volumeName;
  if (name.empty())
    name = drive.mountPoint.substr(drive.mountPoint.find_last_of('/') + 1);
  return DisplayName(name) + "  (" + DisplayName(drive.mountPoint) + ")";
}

}  // namespace varnoth
