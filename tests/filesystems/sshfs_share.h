// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace varnoth::test {

// A network share for tests: sshfs over a throw-away OpenSSH server that listens on the loopback
// only (tests/filesystems/filesystem_image.sh starts both), mounted in a fresh temporary folder.
// Unmounted, its server ended and everything removed on destruction, also when stopped. Where
// the server or sshfs cannot start, `unavailable()` says why and the test skips:
//
//   SshfsShare share;
//   SKIP_UNLESS_SHARED(share);
//   share.stop();    // the share stops answering, as when the NAS goes away
//   share.resume();  // and answers again
//
// While stopped, sshfs still answers what it has cached (attributes and listings for a few
// seconds); anything else waits in the kernel until the share is resumed, and a process that
// waits there cannot be ended, not even by SIGKILL.
class SshfsShare {
 public:
  SshfsShare();
  ~SshfsShare();
  SshfsShare(const SshfsShare&) = delete;
  SshfsShare& operator=(const SshfsShare&) = delete;

  const std::string& unavailable() const { return unavailable_; }  // empty when mounted
  const std::string& path() const { return mount_; }               // the mount point
  const std::string& served() const { return served_; }            // the folder the server shares

  void stop() const;    // SIGSTOP to the server's processes
  void resume() const;  // SIGCONT to them
  // The pids of the share's processes, as the script lists them: "client PID" (sshfs) and
  // "server PID" lines (the listening sshd and the ones serving this connection).
  std::string processes() const;

 private:
  std::string work_, served_, mount_, unavailable_;
};

#define SKIP_UNLESS_SHARED(share)     \
  if (!(share).unavailable().empty()) \
  GTEST_SKIP() << (share).unavailable()

}  // namespace varnoth::test
