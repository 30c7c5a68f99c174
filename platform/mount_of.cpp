// SPDX-License-Identifier: GPL-3.0-or-later
// Which file system to name when a wait is given up, and a question of its own to ask it: from the
// kernel's mount table and the symbolic links on the way.
#include <sys/vfs.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>

#include "drives.h"
#include "errand.h"
#include "mount_of.h"
#include "unanswered_folders.h"

namespace varnoth {

std::string UnansweredFolders::Blame(const std::string& path) {
  // /proc is kept by the kernel in memory: reading it never waits on another file system.
  std::ifstream in("/proc/self/mountinfo");
  const std::string table((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::vector<std::string> mountPoints = ParseMountPoints(table);

  // The path may lead through symbolic links into the share that failed. They are followed on a
  // worker, a component at a time, and the mount of the component it was looking up when it
  // stopped answering is the one to name.
  struct Walk {
    std::mutex mutex;
    std::string reached;
  };
  auto walk = std::make_shared<Walk>();
  walk->reached = path;
  auto errand = StartErrand<bool>([walk, path] {
    std::string pending = path;
    std::string resolved;
    for (int links = 0; !pending.empty() && links < 40;) {
      const auto start = pending.find_first_not_of('/');
      if (start == std::string::npos)
        break;
      const auto end = pending.find('/', start);
      const std::string component = pending.substr(start, end - start);
      pending = end == std::string::npos ? std::string() : pending.substr(end);
      if (component == ".")
        continue;
      if (component == "..") {
        resolved = resolved.substr(0, resolved.find_last_of('/'));
        continue;
      }
      std::string candidate = resolved;
      candidate.append("/").append(component);
      {
        std::lock_guard lock(walk->mutex);
        walk->reached = candidate;
      }
      std::string target(PATH_MAX, '\0');
      const ssize_t length = readlink(candidate.c_str(), target.data(), target.size());
      if (length <= 0) {
        resolved = candidate;
        continue;
      }
      ++links;
      target.resize(static_cast<std::size_t>(length));
      if (target[0] == '/')
        resolved.clear();
      pending.insert(0, target);
    }
    std::lock_guard lock(walk->mutex);
    walk->reached = resolved.empty() ? "/" : resolved;
    return true;
  });
  // Short: the window's thread may be the one asking, and it handles nothing meanwhile.
  constexpr std::chrono::milliseconds kWalkDeadline{100};
  errand->waitUntil(std::chrono::steady_clock::now() + kWalkDeadline);
  std::string reached;
  {
    std::lock_guard lock(walk->mutex);
    reached = walk->reached;
  }
  const std::string mount = MountPointHolding(reached, mountPoints);
  return mount == "/" ? path : mount;
}

bool FileSystemAnswers(const std::string& folder) {
  struct statfs status;
  return statfs(folder.c_str(), &status) == 0;
}

}  // namespace varnoth
