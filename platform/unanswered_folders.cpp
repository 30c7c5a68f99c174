// SPDX-License-Identifier: GPL-3.0-or-later
#include "unanswered_folders.h"

#include <algorithm>

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
