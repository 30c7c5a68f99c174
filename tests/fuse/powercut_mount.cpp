// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/fuse/powercut_mount.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace varnoth::test {

namespace {

namespace fs = std::filesystem;

std::string TemporaryParent() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

// Runs a shell command; its exit status and what it printed (both streams).
int Run(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe)
    return -1;
  char buffer[512];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output->append(buffer, got);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Options(unsigned options, const std::string& endlessFolder) {
  std::string list;
  const auto add = [&list](bool on, const std::string& name) {
    if (on)
      list += (list.empty() ? "" : ",") + name;
  };
  add((options & kIgnoreFsync) != 0, "ignore_fsync");
  add((options & kFolderSyncEinval) != 0, "dirsync_einval");
  add((options & kNoReplaceEinval) != 0, "noreplace_einval");
  add((options & kNoLinks) != 0, "no_links");
  add((options & kZeroSize) != 0, "zero_size");
  add(!endlessFolder.empty(), "endless=" + endlessFolder);
  return list.empty() ? "" : " -o " + list;
}

bool Mounted(const std::string& path) {
  std::ifstream mounts("/proc/self/mountinfo");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, point;
    fields >> id >> parent >> device >> root >> point;
    if (point == path)
      return true;
  }
  return false;
}

// Alive and not yet reaped by whoever adopted it.
bool Running(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidField, name, state;
  if (!(stat >> pidField >> name >> state))
    return false;
  return state != "Z";
}

}  // namespace

PowerCutMount::PowerCutMount(unsigned options, const std::string& endlessFolder) {
  std::string pattern = TemporaryParent() + "/varnoth-powercut-XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a temporary directory for a power-cut mount");
  work_ = pattern;
  backing_ = work_ + "/backing";
  mount_ = work_ + "/mount";
  fs::create_directory(backing_);
  fs::create_directory(mount_);
  const std::string program = VARNOTH_POWERCUT_FS;
  if (program.empty()) {
    unavailable_ = "the power-cut file system was not built: pkg-config found no fuse3";
    return;
  }
  if (access("/dev/fuse", R_OK | W_OK) != 0) {
    unavailable_ = "no usable /dev/fuse";
    return;
  }
  std::string output;
  const int status =
      Run("'" + program + "' '" + backing_ + "' '" + mount_ + "'" + Options(options, endlessFolder),
          &output);
  if (status != 0) {
    unavailable_ = "cannot mount the power-cut file system: " + output;
    return;
  }
  daemon_ = static_cast<pid_t>(std::strtol(output.c_str(), nullptr, 10));
  if (daemon_ <= 0)
    unavailable_ = "the power-cut file system gave no daemon pid: " + output;
}

PowerCutMount::~PowerCutMount() {
  if (daemon_ > 0) {
    kill(daemon_, SIGCONT);  // a stopped daemon would never see the unmount
    std::string ignored;
    if (Run("fusermount3 -u '" + mount_ + "'", &ignored) != 0 && Mounted(mount_) &&
        Run("fusermount3 -u -z '" + mount_ + "'", &ignored) != 0)
      Run("umount -l '" + mount_ + "'", &ignored);
    for (int tries = 0; tries < 500 && Running(daemon_); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (Running(daemon_))
      kill(daemon_, SIGKILL);
  } else if (Mounted(mount_)) {
    // Mounted although the start was not taken for a success: unmount it all the same.
    std::string ignored;
    if (Run("fusermount3 -u '" + mount_ + "'", &ignored) != 0)
      Run("fusermount3 -u -z '" + mount_ + "'", &ignored);
  }
  if (!Mounted(mount_)) {
    std::error_code ignored;
    fs::remove_all(work_, ignored);
  }
}

bool PowerCutMount::cut() const {
  return setxattr(mount_.c_str(), "user.powercut.cut", "", 0, 0) == 0;
}

bool PowerCutMount::syncAll() const {
  return setxattr(mount_.c_str(), "user.powercut.sync", "", 0, 0) == 0;
}

SyncCounts PowerCutMount::counts() const {
  char text[256];
  const ssize_t length = getxattr(mount_.c_str(), "user.powercut.counts", text, sizeof text);
  SyncCounts counts;
  std::istringstream lines(std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0));
  std::string kind;
  long number = 0;
  while (lines >> kind >> number) {
    if (kind == "fsync")
      counts.fsync = number;
    else if (kind == "fdatasync")
      counts.fdatasync = number;
    else if (kind == "fsyncdir")
      counts.fsyncdir = number;
  }
  return counts;
}

// Never kill(-1, ...): without a daemon there is nothing to signal.
void PowerCutMount::stop() const {
  if (daemon_ > 0)
    kill(daemon_, SIGSTOP);
}

void PowerCutMount::resume() const {
  if (daemon_ > 0)
    kill(daemon_, SIGCONT);
}

}  // namespace varnoth::test
