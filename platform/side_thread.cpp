// SPDX-License-Identifier: GPL-3.0-or-later
#include "side_thread.h"

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>

namespace varnoth {

namespace {

#if defined(__linux__)
// The processors the process may use, but the one the caller runs on; false when that leaves none.
bool OtherProcessors(cpu_set_t& allowed, cpu_set_t& others) {
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0)
    return false;
  others = allowed;
  const int here = sched_getcpu();
  if (here >= 0 && here < CPU_SETSIZE)
    CPU_CLR(here, &others);
  return CPU_COUNT(&others) > 0;
}
#endif

}  // namespace

SideThread::SideThread(std::function<void()> work) {
#if defined(__linux__)
  cpu_set_t allowed;
  cpu_set_t others;
  if (OtherProcessors(allowed, others)) {
    // The thread waits until it has been moved off its creator's processor, then gives itself
    // back every processor the process may use.
    auto placed = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([allowed, placed, work = std::move(work)] {
      placed->wait(false);
      pthread_setaffinity_np(pthread_self(), sizeof allowed, &allowed);
      work();
    });
    pthread_setaffinity_np(thread_.native_handle(), sizeof others, &others);
    placed->store(true);
    placed->notify_one();
    return;
  }
#endif
  thread_ = std::thread(std::move(work));
}

SideThread::SideThread(SideThread&& other) noexcept : thread_(std::move(other.thread_)) {}

SideThread::~SideThread() {
  join();
}

void SideThread::join() {
  if (thread_.joinable())
    thread_.join();
}

void SideBySide(const std::function<void()>& here, const std::function<void()>& there) {
  std::exception_ptr thereFailure;
  const auto runThere = [&] {
    try {
      there();
    } catch (...) {
      thereFailure = std::current_exception();
    }
  };
  std::optional<SideThread> thread;
  try {
    thread.emplace(runThere);
  } catch (const std::system_error&) {
    runThere();
  }
  try {
    here();
  } catch (...) {
    if (thread)
      thread->join();
    throw;
  }
  if (thread)
    thread->join();
  if (thereFailure)
    std::rethrow_exception(thereFailure);
}

void InHalves(std::size_t count, std::size_t worthSplitting,
              const std::function<void(std::size_t from, std::size_t to)>& work) {
  if (count < worthSplitting) {
    work(0, count);
    return;
  }
  const std::size_t half = count / 2;
  SideBySide([&] { work(0, half); }, [&] { work(half, count); });
}

}  // namespace varnoth
