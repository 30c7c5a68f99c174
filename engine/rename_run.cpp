#include "engine/rename_run.h"

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "engine/naming.h"

namespace varnoth {

namespace {

void ReportFailure(MessageSink& messages, std::string_view description) {
  std::string text = "Failure converting file. ";
  text += description;
  text += '.';
  messages.showMessage(text);
}

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  quoted += text;
  quoted += '\'';
  return quoted;
}

void RefreshList(FileList& list, const DirectoryPathSource& directory, MessageSink& messages) {
  if (const std::error_code error = list.refresh()) {
    ReportFailure(messages, "Cannot list " + Quoted(directory.path()) + ": " + error.message());
  }
}

// Points the target list at the stem's files and returns the highest number they carry.
std::int32_t ScanTargets(const RenameRunParts& parts, const std::string& stem) {
  const std::string pattern = TargetPattern(stem, parts.extension);
  if (const std::error_code error = parts.targetList.setPattern(pattern)) {
    // The list keeps what it showed; the scan goes on over that, and a name it misses is still
    // safe because a copy never replaces an existing file.
    ReportFailure(parts.messages, "Cannot list " + Quoted(parts.targetDirectory.path()) +
                                      " with the pattern " + Quoted(pattern) + ": " +
                                      error.message());
  }

  std::vector<std::string> names;
  names.reserve(parts.targetList.count());
  for (std::size_t index = 0; index < parts.targetList.count(); ++index) {
    names.push_back(parts.targetList.entry(index));
  }
  const HighestNumberScan scan = HighestNumber(names, stem);
  for (const auto& failure : scan.failures)
    ReportFailure(parts.messages, failure);
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
      ReportFailure(parts.messages,
                    "Cannot give " + Quoted(entry) + " a number past 2147483647: " +
                        std::make_error_code(std::errc::result_out_of_range).message());
      return;
    }
    ++counter;

    // The directories are read for every file: they are the window's, not the run's.
    const std::string from = JoinPath(parts.sourceDirectory.path(), entry);
    const std::string to =
        JoinPath(parts.targetDirectory.path(), NumberedName(stem, counter, parts.extension));

    if (const std::error_code error = parts.files.copyFile(from, to)) {
      // The number stays used up, so the names of the later files do not depend on this failure.
      ReportFailure(parts.messages,
                    "Cannot copy " + Quoted(from) + " to " + Quoted(to) + ": " + error.message());
      continue;
    }
    if (const std::error_code error = parts.files.deleteFile(from)) {
      ReportFailure(parts.messages, "Cannot delete " + Quoted(from) + " after copying it to " +
                                        Quoted(to) + ": " + error.message());
    }
  }
}

}  // namespace

void RunRename(const RenameRunParts& parts) {
  const std::string stem = parts.stemBox.text();
  if (stem.empty()) {
    parts.messages.showMessage("Please enter new file name");
    return;
  }
  // A "/" would make the new names paths that leave the target directory.
  if (stem.find('/') != std::string::npos) {
    parts.messages.showMessage("The new file name must not contain \"/\".");
    return;
  }

  const std::int32_t highest = ScanTargets(parts, stem);
  MoveSelected(parts, stem, highest);

  RefreshList(parts.sourceList, parts.sourceDirectory, parts.messages);
  RefreshList(parts.targetList, parts.targetDirectory, parts.messages);
}

}  // namespace varnoth
