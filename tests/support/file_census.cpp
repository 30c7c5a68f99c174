// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/file_census.h"

#include <filesystem>
#include <set>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace varnoth::test {

FileCensus TakeCensus(const std::vector<std::string>& directories) {
  FileCensus census;
  for (const auto& directory : directories) {
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
      if (entry.is_regular_file() && !entry.is_symlink()) {
        census[entry.path().string()] = ReadFile(entry.path().string());
      }
    }
  }
  return census;
}

testing::AssertionResult NothingLost(const FileCensus& before, const FileCensus& after) {
  std::set<std::string> contentsBefore, contentsAfter;
  for (const auto& [path, content] : before)
    contentsBefore.insert(content);
  for (const auto& [path, content] : after)
    contentsAfter.insert(content);

  for (const auto& [path, content] : before) {
    if (!contentsAfter.count(content)) {
      return testing::AssertionFailure() << "the content of " << path << " is lost";
    }
    auto now = after.find(path);
    if (now != after.end() && now->second != content) {
      return testing::AssertionFailure() << path << " was overwritten";
    }
  }
  for (const auto& [path, content] : after) {
    if (!contentsBefore.count(content)) {
      return testing::AssertionFailure()
             << path << " holds content that no file had before (" << content.size() << " bytes)";
    }
  }
  return testing::AssertionSuccess();
}

}  // namespace varnoth::test
