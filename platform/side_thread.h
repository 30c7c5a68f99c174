// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <thread>

namespace varnoth {

// A thread for work meant to overlap its creator's: it starts at once on another processor than
// the creator's where there is one, and may run anywhere after that. Linux first queues a new
// thread on its creator's processor and moves it only when it next balances its load, which can
// be milliseconds later, and meanwhile the two take turns on one processor while another idles.
// Joined on destruction. Throws std::system_error, as std::thread does, when it cannot start.
class SideThread {
 public:
  explicit SideThread(std::function<void()> work);
  SideThread(SideThread&& other) noexcept;
  SideThread& operator=(SideThread&&) = delete;
  SideThread(const SideThread&) = delete;
  ~SideThread();

  void join();

 private:
  std::thread thread_;
};

// Calls `here` on this thread and `there` on a SideThread, side by side, or both here one after
// the other when no thread can start. An exception from either reaches the caller, once both
// are done.
void SideBySide(const std::function<void()>& here, const std::function<void()>& there);

// Calls `work` with the lower half of [0, count) on this thread and with the upper half on a
// SideThread, side by side; `work` with the whole range here alone when the range is smaller than
// `worthSplitting` or no thread can start. An exception from either half reaches the caller.
void InHalves(std::size_t count, std::size_t worthSplitting,
              const std::function<void(std::size_t from, std::size_t to)>& work);

}  // namespace varnoth
