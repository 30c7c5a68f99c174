// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "file_identity.h"

namespace varnoth {

// A name in a held folder: every step of a move acts relative to the folder's descriptor, so a
// folder swapped for a link after it was opened changes nothing about where the step acts.
struct EntryAt {
  int directoryFd;
  const std::string& name;
};

// A path cut at its last "/": the folder ("." when there is none) and the bare name.
struct PathParts {
  std::string directory;
  std::string name;
};
PathParts SplitPath(const std::string& path);

// The state of the entry itself, never of what a symbolic link there points to; a link, a
// directory, a fifo, ... is MoveError::kNotRegularFile.
std::error_code StatusOfRegularFile(EntryAt entry, FileIdentity& identity);

// After `from` was renamed to `to`: success when `to` holds the file `checked` describes.
// Anything else that took `from` in between is renamed back without replacing anything
// (MoveError::kReplacedPutBack), or stays under `to` where it cannot go back
// (MoveError::kReplacedNotPutBack).
std::error_code ConfirmRenamed(EntryAt from, EntryAt to, const FileIdentity& checked);

// After `from` was linked as `to`: as ConfirmRenamed, where going back means removing the new
// name, and only while it is still another name of whatever `from` holds.
std::error_code ConfirmLinked(EntryAt from, EntryAt to, const FileIdentity& checked);

}  // namespace varnoth
