// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <type_traits>
#include <vector>

namespace varnoth {

class ErrandState;

// Why a step ended without an answer, beside a folder that does not answer.
enum class WaitError {
  kClosing = 1,     // the window is closing and gave up every wait
  kListingTooLong,  // a folder read passed kMaxListingBytes
};

const std::error_category& WaitErrorCategory();
inline std::error_code make_error_code(WaitError error) {
  return {static_cast<int>(error), WaitErrorCategory()};
}

// Whether a step failed for want of an answer (a folder that does not answer, or the window
// closing), not for a reason the file system gave: what it would have replaced is still valid.
bool Unanswered(std::error_code error);

// The folders that did not answer in time. A later step on one of them fails at once instead of
// waiting again, until the step that was given up on there comes back. Shared by every thread of
// the process, since a mount is.
class UnansweredFolders {
 public:
  static UnansweredFolders& Instance();

  // The folder to name when a wait on `path` is given up: the mount holding it, from the kernel's
  // mount table, after the symbolic links on the way (a link in a local folder into a share that
  // is gone); `path` itself when that is the root, which is not what failed. Waits a moment at
  // most. On Windows the drive or share of `path`, from its spelling alone; `path` itself when it
  // names neither.
  static std::string Blame(const std::string& path);
  // Records `folder` as not answering until `errand` finishes, and returns the failure that names
  // it ("'/media/nas' does not answer").
  std::error_code gaveUp(const std::string& folder, ErrandState& errand);
  // The failure of a step on `path` when it lies in a folder that does not answer; none otherwise.
  // Reads no file system, so it is safe on the window's thread.
  std::error_code check(const std::string& path) const;
  // The folder that a failure from gaveUp or check names; none for any other failure.
  std::optional<std::string> folderOf(std::error_code error) const;

 private:
  void answered(const std::string& folder);

  mutable std::mutex mutex_;
  std::vector<std::string> named_;           // every folder ever given up on, by its code - 1
  std::map<std::string, int> stillWaiting_;  // abandoned steps not back yet, by folder
};

}  // namespace varnoth

template <>
struct std::is_error_code_enum<varnoth::WaitError> : std::true_type {};
