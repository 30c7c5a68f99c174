// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "naming.h"
#include "ports/file_list.h"
#include "ports/file_services.h"

namespace varnoth {

// One failing step of a rename run, as a value; the window decides how it reads.
struct RunFailure {
  enum class Step {
    kStem,           // the stem cannot name files: `stemRefusal`
    kListTargets,    // `path` is the target directory, `otherPath` the pattern
    kReadNumber,     // `path` is the target list name, `suffixFailure` why
    kNumberPastMax,  // `path` is the source list entry
    kCopy,           // `path` to `otherPath`
    kDelete,         // `path` after copying it to `otherPath`
    kRefreshList,    // `path` is the directory
    kOpenFolder,     // `path` is the directory; nothing was moved
    kFolderChanged,  // `path` is a directory that is no longer the one listed; nothing was moved
  };
  Step step = Step::kStem;
  std::string path{};
  std::string otherPath{};
  std::error_code error{};
  StemRefusal stemRefusal = StemRefusal::kNone;
  SuffixFailure suffixFailure = SuffixFailure::kNone;
};

// Hears of each failing step at once, before the run takes its next step.
class RunReport {
 public:
  virtual ~RunReport() = default;
  virtual void reportFailure(const RunFailure& failure) = 0;
};

// Everything a rename run reads and acts on. The run holds its own values only while it runs. It
// reads each directory path once, when it starts, opens those folders and holds them to its end.
struct RenameRunParts {
  const TextSource& stemBox;
  const std::string& extension;
  FileList& sourceList;
  FileList& targetList;
  const DirectoryPathSource& sourceDirectory;
  const DirectoryPathSource& targetDirectory;
  FileServices& files;
  RunReport& report;
};

// Moves every selected entry of the source list into the target directory under the next numbered
// names, reporting each failing step and going on, then refreshes both lists. A folder that is no
// longer the one its list last read is reported, and nothing is moved.
void RunRename(const RenameRunParts& parts);

}  // namespace varnoth
