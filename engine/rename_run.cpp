// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename_run.h"

#include "earlier_copies.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
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

struct TargetScan {
  std::int32_t highest = 0;
  std::vector<std::string> names;  // the stem's files, as the run found them
};

// Points the target list at the stem's files and returns the highest number they carry; none when
// the list no longer shows the held target folder.
std::optional<TargetScan> ScanTargets(const RenameRunParts& parts, const HeldFolders& held,
                                      const std::string& stem) {
  // Before the numbers are read, so that a reservation a killed move left gives its number back.
  if (parts.targetList.sawLeftovers())
    parts.files.removeLeftovers(held.targetFolder());
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
  return TargetScan{scan.highest, std::move(names)};
}

void ReportMoveFailure(const RenameRunParts& parts, const HeldFolders& held,
                       const std::string& entry, const std::string& to, const MoveResult& result) {
  const RunFailure::Step step = result.failedStep == MoveResult::Step::kCopy
                                    ? RunFailure::Step::kCopy
                                    : RunFailure::Step::kDelete;
  parts.report.reportFailure({.step = step,
                              .path = JoinPath(held.sourcePath, entry),
                              .otherPath = JoinPath(held.targetPath, to),
                              .error = result.error});
}

void MoveSelected(const RenameRunParts& parts, const HeldFolders& held, const std::string& stem,
                  TargetScan scan) {
  std::int32_t counter = scan.highest;
  const FileList& sources = parts.sourceList;
  // A run can have been stopped after a copy or link and before the source's delete; that copy
  // is already among the target's files.
  EarlierCopies earlier(parts.files, held.targetFolder(), std::move(scan.names));
  bool sourceChanged = false;
  for (std::size_t index = 0; index < sources.count(); ++index) {
    if (!sources.isSelected(index))
      continue;
    const std::string& entry = sources.entry(index);

    if (const auto finished = earlier.finish(*held.source, entry)) {
      sourceChanged = true;
      if (!finished->result.moved())
        ReportMoveFailure(parts, held, entry, finished->copyName, finished->result);
      continue;
    }

    if (counter == std::numeric_limits<std::int32_t>::max()) {
      // Every later entry would need a still larger number, so the run moves nothing more.
      parts.report.reportFailure({.step = RunFailure::Step::kNumberPastMax,
                                  .path = entry,
                                  .error = std::make_error_code(std::errc::result_out_of_range)});
      break;
    }
    ++counter;

    const std::string numbered = NumberedName(stem, counter, parts.extension);
    // A failed copy keeps its number used up, so the names of the later files do not depend on
    // this failure.
    const MoveResult result =
        parts.files.moveFile(*held.source, entry, held.targetFolder(), numbered);
    sourceChanged = true;
    if (!result.moved())
      ReportMoveFailure(parts, held, entry, numbered, result);
  }
  // Between two folders the deletes must survive a power cut too, or the pictures come back as
  // duplicates. A failure here loses nothing, and the next run finishes such a move, so it goes
  // unreported.
  if (held.target && sourceChanged)
    static_cast<void>(parts.files.syncFolder(*held.source));
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
    if (std::optional<TargetScan> scan = ScanTargets(parts, *held, stem))
      MoveSelected(parts, *held, stem, std::move(*scan));
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
