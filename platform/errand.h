// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace varnoth {

// How long a step on a file system may go without an answer (for a copy: without progress)
// before the program gives up on the folder it was waiting for.
inline constexpr std::chrono::milliseconds kAnswerDeadline{5000};

// What a caller and the worker doing its errand share. The worker may outlive the caller: a call
// stuck in the kernel (a network share gone, a FUSE server stopped) cannot be cancelled, so the
// caller gives up on it and the worker finishes, or not, on its own.
class ErrandState {
 public:
  // The worker: the answer is in.
  void finish();
  bool finished() const;
  // Waits on this thread until the answer is in or `until` has come; true when it is in.
  bool waitUntil(std::chrono::steady_clock::time_point until) const;
  // `wake` runs once, on the worker's thread, when the answer comes in (at once, here, when it
  // is in already). Replaces an earlier one; nullptr forgets it, after which it never runs.
  void onFinish(std::function<void()> wake);

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable finished_;
  bool done_ = false;
  std::function<void()> wake_;
};

template <typename Result>
class Errand final : public ErrandState {
 public:
  // Valid once finished() is true; set by the worker only before that.
  std::optional<Result> result;
};

// Starts `work` on a thread of its own that is never joined. `work` owns everything it uses (by
// value or shared ownership), so the caller may give up and go on while it is still running.
template <typename Result, typename Work>
std::shared_ptr<Errand<Result>> StartErrand(Work work) {
  auto errand = std::make_shared<Errand<Result>>();
  std::thread([errand, work = std::move(work)]() mutable {
    errand->result.emplace(work());
    errand->finish();
  }).detach();
  return errand;
}

// The window is closing: every wait gives up at once, and a new one is not begun, until the
// closing is over. Read from any thread.
void SetGivingUpEveryWait(bool givingUp);
bool GivingUpEveryWait();

}  // namespace varnoth
