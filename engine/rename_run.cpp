// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename_run.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace varnoth {

namespace {

// The two folders of a run, opened once; one folder when a run renames in place.
struct HeldFolders {
  std::string sourcePath;
  std::string targetPath;
  std::unique_ptr<Folder> source;
  std::unique_ptr<Folder> target;  // null when it is the source

  const Folder& targetFolder() const { return target ? *target : *source; }
};

// Whether `folder` is the one `list` last read. A list that could not read its folder shows
// nothing it could vouch for, so there is nothing to compare.
bool StillListed(const Folder& folder, const FileList& list) {
  const std::optional<FolderIdentity> listed = list.folderIdentity();
  return !listed || *listed == folder.identity();
}

std::optional<HeldFolders> HoldFolders(const RenameRunParts& parts, const std::string& sourcePath,
                                       const std::string& targetPath) {
  HeldFolders held{sourcePath, targetPath, nullptr, nullptr};
  const auto open = [&](const std::string& path) -> std::unique_ptr<Folder> {
    FolderOpening opening = parts.files.openFolder(path);
    if (opening.error) {
      parts.report.reportFailure(
          {.step = RunFailure::Step::kOpenFolder, .path = path, .error = opening.error});
    }
    return std::move(opening.folder);
  };
  held.source = open(held.sourcePath);
  if (!held.source)
    return std::nullopt;
  if (held.targetPath != held.sourcePath) {
    held.target = open(held.targetPath);
    if (!held.target)
      return std::nullopt;
  }
  const auto changed = [&](const std::string& path) {
    parts.report.reportFailure({.step = RunFailure::Step::kFolderChanged, .path = path});
    return std::nullopt;
  };
  if (!StillListed(*held.source, parts.sourceList))
    return changed(held.sourcePath);
  if (!StillListed(held.targetFolder(), parts.targetList))
    return changed(held.targetPath);
  return held;
}

// Points the target list at the stem's files and returns the highest number they carry; none when
// the list no longer shows the held target folder.
std::optional<std::int32_t> ScanTargets(const RenameRunParts& parts, const HeldFolders& held,
                                        const std::string& stem) {
  const std::string pattern = TargetPattern(stem, parts.extension);
  if (const std::error_code error = parts.targetList.setPattern(pattern)) {
    // The list keeps what it showed; the scan goes on over that, and a name it misses is still
    // safe because a move never replaces an existing file.
    parts.report.reportFailure({.step = RunFailure::Step::kListTargets,
                                .path = held.targetPath,
                                .otherPath = pattern,
                                .error = error});
  }
  // The numbers must come from the folder the files go to.
  if (!StillListed(held.targetFolder(), parts.targetList)) {
    parts.report.reportFailure({.step = RunFailure::Step::kFolderChanged, .path = held.targetPath});
    return std::nullopt;
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

void MoveSelected(const RenameRunParts& parts, const HeldFolders& held, const std::string& stem,
                  std::int32_t highest) {
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

    const std::string numbered = NumberedName(stem, counter, parts.extension);
    // A failed copy keeps its number used up, so the names of the later files do not depend on
    // this failure.
    const MoveResult result =
        parts.files.moveFile(*held.source, entry, held.targetFolder(), numbered);
    if (result.moved())
      continue;
    const RunFailure::Step step = result.failedStep == MoveResult::Step::kCopy
                                      ? RunFailure::Step::kCopy
                                      : RunFailure::Step::kDelete;
    parts.report.reportFailure({.step = step,
                                .path = JoinPath(held.sourcePath, entry),
                                .otherPath = JoinPath(held.targetPath, numbered),
                                .error = result.error});
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

  // Read once: the run acts in the folders these named when it began.
  const std::string sourcePath = parts.sourceDirectory.path();
  const std::string targetPath = parts.targetDirectory.path();
  if (const std::optional<HeldFolders> held = HoldFolders(parts, sourcePath, targetPath)) {
    if (const std::optional<std::int32_t> highest = ScanTargets(parts, *held, stem))
      MoveSelected(parts, *held, stem, *highest);
  }

  if (const std::error_code error = parts.sourceList.refresh()) {
    parts.report.reportFailure(
        {.step = RunFailure::Step::kRefreshList, .path = sourcePath, .error = error});
  }
  // In place both lists show one folder, and one read serves both.
  const std::error_code error = targetPath == sourcePath
                                    ? parts.targetList.refreshLike(parts.sourceList)
                                    : parts.targetList.refresh();
  if (error) {
    parts.report.reportFailure(
        {.step = RunFailure::Step::kRefreshList, .path = targetPath, .error = error});
  }
}

}  // namespace varnoth
