// SPDX-License-Identifier: GPL-3.0-or-later
#include "unanswered_folders.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <fstream>
#include <iterator>
#include <memory>

#include "drives.h"
#include "errand.h"

namespace varnoth {

namespace {

class WaitCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "varnoth.wait"; }
  std::string message(int value) const override {
    switch (static_cast<WaitError>(value)) {
      case WaitError::kClosing:
        return "the window is closing";
      case WaitError::kListingTooLong:
        return "the listing does not end";
    }
    return "unknown wait error";
  }
};

// The value of a failure of this category is the folder's place in the register, plus one.
class UnansweredCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "varnoth.unanswered"; }
  std::string message(int value) const override {
    const auto folder = UnansweredFolders::Instance().folderOf({value, *this});
    return "'" + folder.value_or("?") + "' does not answer";
  }
};

const UnansweredCategory& UnansweredFolderCategory() {
  static const UnansweredCategory category;
  return category;
}

}  // namespace

const std::error_category& WaitErrorCategory() {
  static const WaitCategory category;
  return category;
}

bool Unanswered(std::error_code error) {
  return error.category() == UnansweredFolderCategory() || error == WaitError::kClosing;
}

UnansweredFolders& UnansweredFolders::Instance() {
  static UnansweredFolders folders;
  return folders;
}

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

std::error_code UnansweredFolders::gaveUp(const std::string& folder, ErrandState& errand) {
  int code = 0;
  {
    std::lock_guard lock(mutex_);
    auto known = std::find(named_.begin(), named_.end(), folder);
    if (known == named_.end())
      known = named_.insert(named_.end(), folder);
    code = static_cast<int>(known - named_.begin()) + 1;
    ++stillWaiting_[folder];
  }
  // Not under the lock: an errand that is back already runs this at once, here.
  errand.onFinish([folder] { Instance().answered(folder); });
  return {code, UnansweredFolderCategory()};
}

void UnansweredFolders::answered(const std::string& folder) {
  std::lock_guard lock(mutex_);
  auto waiting = stillWaiting_.find(folder);
  if (waiting != stillWaiting_.end() && --waiting->second <= 0)
    stillWaiting_.erase(waiting);
}

std::error_code UnansweredFolders::check(const std::string& path) const {
  std::lock_guard lock(mutex_);
  for (const auto& [folder, steps] : stillWaiting_) {
    if (IsPathUnder(path, folder)) {
      const auto named = std::find(named_.begin(), named_.end(), folder);
      return {static_cast<int>(named - named_.begin()) + 1, UnansweredFolderCategory()};
    }
  }
  return {};
}

std::optional<std::string> UnansweredFolders::folderOf(std::error_code error) const {
  if (error.category() != UnansweredFolderCategory())
    return std::nullopt;
  std::lock_guard lock(mutex_);
  const auto index = static_cast<std::size_t>(error.value() - 1);
  if (error.value() < 1 || index >= named_.size())
    return std::nullopt;
  return named_[index];
}

}  // namespace varnoth
