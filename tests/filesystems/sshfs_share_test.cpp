// SPDX-License-Identifier: GPL-3.0-or-later
// The share other tests stop to see what the program does when a NAS goes away: it must really
// stop answering when stopped, and answer again when resumed.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "tests/filesystems/sshfs_share.h"
#include "tests/support/temp_dir.h"

namespace varnoth::test {
namespace {

// Where a thread of this process waits in the kernel.
std::string WaitChannel(pid_t thread) {
  std::ifstream channel("/proc/self/task/" + std::to_string(thread) + "/wchan");
  std::string name;
  channel >> name;
  return name;
}

TEST(SshfsShare, StoppedShareHoldsALookupUntilResumed) {
  SshfsShare share;
  SKIP_UNLESS_SHARED(share);
  WriteFile(share.path() + "/a.jpg", "photo");
  EXPECT_EQ(ReadFile(share.served() + "/a.jpg"), "photo") << "the share serves that folder";

  share.stop();
  std::atomic<pid_t> thread{0};
  std::atomic<bool> answered{false};
  int error = 0;
  std::thread lookup([&] {
    thread = gettid();
    struct stat status;
    error = lstat((share.path() + "/never-looked-up.jpg").c_str(), &status) == 0 ? 0 : errno;
    answered = true;
  });
  // Until the lookup waits for the share's answer; the test's timeout ends a share that
  // never stops.
  while (!answered && (thread == 0 || WaitChannel(thread) != "request_wait_answer"))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(answered) << "a stopped share answered a lookup it had not cached";

  share.resume();
  lookup.join();
  EXPECT_EQ(error, ENOENT);
  EXPECT_EQ(ReadFile(share.path() + "/a.jpg"), "photo");
}

}  // namespace
}  // namespace varnoth::test
