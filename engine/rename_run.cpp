// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename_run.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace varnoth {

namespace {

void RefreshList(FileList& list, const DirectoryPathSource& directory, RunReport& report) {
  if (const std::error_code error = list.refresh()) {
    report.reportFailure(
        {.step = RunFailure::Step::kRefreshList, .path = directory.path(), .error = error});
  }
}

// Points the target list at the stem's files and returns the highest number they carry.
std::int32_t ScanTargets(const RenameRunParts& parts, const std::string& stem) {
  const std::string pattern = TargetPattern(stem, parts.extension);
  if (const std::error_code error = parts.targetList.setPattern(pattern)) {
    // The list keeps what it showed; the scan goes on over that, and a name it misses is still
    // safe because a move never replaces an existing file.
    parts.report.reportFailure({.step = RunFailure::Step::kListTargets,
                                .path = parts.targetDirectory.path(),
                                .otherPath = pattern,
                                .error = error});
  }

  std::vector<std::string> names;
  names.reserve(parts.targetList.count());
  for (std::size_t index = 0; index < parts.targetList.count(); ++index) {
    names.push_back(parts.targetList.entry(index));
  }
  const HighestNumberScan scan = HighestNumber(names, stem);
  for (const auto& unreadable : scan.failures) {
    parts.report.reportFailure({.step = RunFailure::Step::kReadNumber,
                                .path = unreadable.name,
                                .suffixFailure = unreadable.reason});
  }
  return scan.highest;
}

void MoveSelected(const RenameRunParts& parts, const std::string& stem, std::int32_t highest) {
  std::int32_t counter = highest;
  const FileList& sources = parts.sourceList;
  for (std::size_t index = 0; index < sources.count(); ++index) {
    if (!sources.isSelected(index))
      continue;
    const std::string& entry = sources.entry(index);

    if (counter == std::numeric_limits<std::int32_t>::max()) {
      // Every later entry would need a still larger number, so the run moves nothing more.
      parts.report.reportFailure({.step = RunFailure::Step::kNumberPastMax,
                                  .path = entry,
                                  .error = std::make_error_code(std::errc::result_out_of_range)});
      return;
    }
    ++counter;

    // The directories do not change during a run (the port's contract); asking again is cheap.
    const std::string from = JoinPath(parts.sourceDirectory.path(), entry);
    const std::string to =
        JoinPath(parts.targetDirectory.path(), NumberedName(stem, counter, parts.extension));

    // A failed copy keeps its number used up, so the names of the later files do not depend on
    // this failure.
    const MoveResult result = parts.files.moveFile(from, to);
    if (result.failedStep == MoveResult::Step::kCopy) {
      parts.report.reportFailure(
          {.step = RunFailure::Step::kCopy, .path = from, .otherPath = to, .error = result.error});
    } else if (result.failedStep == MoveResult::Step::kDelete) {
      parts.report.reportFailure({.step = RunFailure::Step::kDelete,
                                  .path = from,
                                  .otherPath = to,
                                  .error = result.error});
    }
  }
}

}  // namespace

void RunRename(const RenameRunParts& parts) {
  const std::string stem = parts.stemBox.textBytes();
  if (const StemRefusal refusal = RefuseStem(stem); refusal != StemRefusal::kNone) {
    // Nothing is touched and no list is refreshed.
    parts.report.reportFailure({.step = RunFailure::Step::kStem, .stemRefusal = refusal});
    return;
  }

  const std::int32_t highest = ScanTargets(parts, stem);
  MoveSelected(parts, stem, highest);

  RefreshList(parts.sourceList, parts.sourceDirectory, parts.report);
  RefreshList(parts.targetList, parts.targetDirectory, parts.report);
}

}  // namespace varnoth
