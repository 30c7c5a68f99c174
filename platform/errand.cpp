// SPDX-License-Identifier: GPL-3.0-or-later
#include "errand.h"

#include <atomic>

namespace varnoth {

namespace {
std::atomic<bool> givingUpEveryWait{false};
}  // namespace

void ErrandState::finish() {
  std::lock_guard lock(mutex_);
  done_ = true;
  finished_.notify_all();
  // Run under the lock, so that once onFinish(nullptr) has returned the caller knows that its
  // `wake` is neither running nor about to.
  if (wake_)
    wake_();
  wake_ = nullptr;
}

bool ErrandState::finished() const {
  std::lock_guard lock(mutex_);
  return done_;
}

bool ErrandState::waitUntil(std::chrono::steady_clock::time_point until) const {
  std::unique_lock lock(mutex_);
  return finished_.wait_until(lock, until, [this] { return done_; });
}

void ErrandState::onFinish(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  if (done_) {
    if (wake)
      wake();
    return;
  }
  wake_ = std::move(wake);
}

void SetGivingUpEveryWait(bool givingUp) {
  givingUpEveryWait = givingUp;
}

bool GivingUpEveryWait() {
  return givingUpEveryWait;
}

}  // namespace varnoth
