// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "posix_file_services.h"

namespace varnoth::test {

// A rename run started as the window starts it: real file lists over real directories, the
// `selected` source entries selected, the target list showing the stem's files.
struct RunRequest {
  std::string sourceDir{};
  std::string targetDir{};
  std::string stem = "Trip";
  std::vector<std::string> selected{};
  FileServices* files = nullptr;         // the real ones when null
  std::function<void()> afterListing{};  // changes the disk after the lists were read
};

struct RunOutcome {
  std::vector<std::string> messages;
  std::vector<std::string> sourceList;  // what each list shows after the run
  std::vector<std::string> targetList;
};

// Runs with the extension "jpg", and checks that no file's content was lost or overwritten in
// either directory.
RunOutcome RunOn(const RunRequest& request);

// Writes a file whose content tells its original name.
void Photo(const std::string& directory, const std::string& name);

// Each regular file of a directory by its name now, with the original name its content tells.
using Holdings = std::map<std::string, std::string>;
Holdings HoldingsOf(const std::string& directory);

}  // namespace varnoth::test
