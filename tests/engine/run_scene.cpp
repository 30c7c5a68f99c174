// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/run_scene.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>
#include <unordered_set>

#include "failure_text.h"
#include "file_listing.h"
#include "naming.h"
#include "rename_run.h"
#include "tests/support/file_census.h"
#include "tests/support/fixed_ports.h"
#include "tests/support/temp_dir.h"

namespace varnoth::test {

namespace {

constexpr std::string_view kPhotoLeadIn = "photo of ";

std::vector<std::string> Entries(const FileList& list) {
  std::vector<std::string> entries;
  for (std::size_t index = 0; index < list.count(); ++index)
    entries.push_back(list.entry(index));
  return entries;
}

}  // namespace

RunOutcome RunOn(const RunRequest& request) {
  const std::string extension = "jpg";
  FileListing sourceList(request.sourceDir, SourcePattern(extension));
  const std::unordered_set<std::string> toSelect(request.selected.begin(), request.selected.end());
  for (std::size_t index = 0; index < sourceList.count(); ++index) {
    sourceList.setSelected(index, toSelect.contains(sourceList.entry(index)));
  }
  FileListing targetList(request.targetDir, TargetPattern(request.stem, extension));
  if (request.afterListing)
    request.afterListing();

  std::vector<std::string> directories = {request.sourceDir};
  if (request.targetDir != request.sourceDir)
    directories.push_back(request.targetDir);
  const FileCensus before = TakeCensus(directories);

  const FixedText stem(request.stem);
  const FixedDirectory sourcePath(request.sourceDir), targetPath(request.targetDir);
  RecordedFailures report;
  FileServices& files = request.files ? *request.files : SystemFileServices();
  RunRename({stem, extension, sourceList, targetList, sourcePath, targetPath, files, report});

  EXPECT_TRUE(NothingLost(before, TakeCensus(directories)));
  // As the window would show them.
  std::vector<std::string> messages;
  for (const RunFailure& failure : report.failures)
    messages.push_back(RunFailureText(failure));
  return {messages, Entries(sourceList), Entries(targetList)};
}

void Photo(const std::string& directory, const std::string& name) {
  WriteFile(directory + "/" + name, std::string(kPhotoLeadIn) + name);
}

Holdings HoldingsOf(const std::string& directory) {
  Holdings holdings;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (!entry.is_regular_file() || entry.is_symlink())
      continue;
    std::string content = ReadFile(entry.path().string());
    if (content.starts_with(kPhotoLeadIn))
      content.erase(0, kPhotoLeadIn.size());
    holdings[entry.path().filename().string()] = content;
  }
  return holdings;
}

}  // namespace varnoth::test
