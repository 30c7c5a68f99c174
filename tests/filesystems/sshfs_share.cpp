// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/filesystems/sshfs_share.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace varnoth::test {

namespace {

namespace fs = std::filesystem;

// Runs filesystem_image.sh with `arguments` (already quoted); its exit status and what it
// printed on both streams.
int Script(const std::string& arguments, std::string* output = nullptr) {
  const std::string command = "'" VARNOTH_FILESYSTEM_SCRIPT "' " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return -1;
  char buffer[512];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    if (output)
      output->append(buffer, got);
  }
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

}  // namespace

SshfsShare::SshfsShare() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnoth-share-XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a temporary directory for an sshfs share");
  work_ = pattern;
  served_ = work_ + "/served";
  mount_ = work_ + "/mount";
  fs::create_directory(served_);
  fs::create_directory(mount_);
  std::string output;
  if (Script("mount sshfs " + Quoted(served_) + " " + Quoted(mount_), &output) != 0)
    unavailable_ = "cannot mount an sshfs share: " + output;
}

SshfsShare::~SshfsShare() {
  // Resumes a stopped share first, and ends its server even where nothing was mounted.
  Script("unmount " + Quoted(mount_));
  std::error_code ignored;
  fs::remove_all(work_, ignored);
}

void SshfsShare::stop() const {
  Script("stop " + Quoted(mount_));
}

void SshfsShare::resume() const {
  Script("resume " + Quoted(mount_));
}

std::string SshfsShare::processes() const {
  std::string output;
  Script("pids " + Quoted(mount_), &output);
  return output;
}

}  // namespace varnoth::test
