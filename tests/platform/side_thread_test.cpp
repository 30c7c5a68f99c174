// SPDX-License-Identifier: GPL-3.0-or-later
#include "side_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>
#include <utility>

namespace varnoth {
namespace {

TEST(SideThreadTest, HalvesCoverTheRangeOnceAndAFailureOnEitherSideReachesTheCaller) {
  struct Case {
    std::size_t count;
    std::set<std::pair<std::size_t, std::size_t>> ranges;
  };
  for (const Case& c :
       {Case{9, {{0, 9}}}, Case{10, {{0, 5}, {5, 10}}}, Case{11, {{0, 5}, {5, 11}}}}) {
    std::mutex mutex;
    std::set<std::pair<std::size_t, std::size_t>> ranges;
    InHalves(c.count, 10, [&](std::size_t from, std::size_t to) {
      std::lock_guard lock(mutex);
      ranges.emplace(from, to);
    });
    EXPECT_EQ(ranges, c.ranges) << c.count;
  }

  std::atomic<int> ran{0};
  const auto fail = [&] {
    ++ran;
    throw std::runtime_error("out of memory");
  };
  const auto work = [&] { ++ran; };
  EXPECT_THROW(SideBySide(work, fail), std::runtime_error) << "failure on the side thread";
  EXPECT_THROW(SideBySide(fail, work), std::runtime_error) << "failure here, side thread joined";
  EXPECT_EQ(ran, 4);
}

}  // namespace
}  // namespace varnoth
