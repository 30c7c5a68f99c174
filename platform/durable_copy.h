// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "entry_at.h"
#include "file_identity.h"

namespace varnoth {

// Where the bytes wait until the copy is complete.
enum class StagingFile {
  kUnnamedWhenSupported,  // an O_TMPFILE, or a hidden name where the file system has none
  kHiddenName,            // always a hidden name in the target's directory
};

// Copies the bytes, permission bits, and access and modification times of the regular file
// `from` (never what a symbolic link there points to: MoveError::kNotRegularFile) to the new name
// `to`. Permission bits and times are kept where the target's file system takes them. The copy
// is flushed to disk (file and directory) before success is reported and appears under `to` only
// when complete; an existing `to` is never replaced (the result is then "File exists"). A source
// that changes while it is read is not copied (MoveError::kChangedWhileCopying), nor one whose
// bytes, read to their end, are more or fewer than the size it reports
// (MoveError::kSizeDisagrees). On failure `from` is untouched and no temporary is left; `to` is
// absent, unless only the final directory sync failed (MoveError::kCopyNotDurable), which leaves
// the complete copy there. `copied`, when given, receives the state of the source that was
// copied; `checked`, when given, is the file the caller checked, and any other under `from`
// is refused as changed.
struct CopyEnds {
  EntryAt from;
  EntryAt to;
  const std::string& toDirectoryPath;  // to tell folders apart when clearing leftovers
};
std::error_code CopyBytesToNewName(const CopyEnds& ends,
                                   StagingFile staging = StagingFile::kUnnamedWhenSupported,
                                   FileIdentity* copied = nullptr,
                                   const FileIdentity* checked = nullptr);

// Makes the names in the folder `directoryFd` survive a power cut: its own fsync, or, where a file
// system cannot sync a folder by itself (EINVAL, not supported), a sync of the whole file system.
// MoveError::kCopyNotDurable when neither succeeds.
std::error_code SyncFolder(int directoryFd);

// The same by paths, for tools and tests.
std::error_code CopyBytesToNewName(const std::string& from, const std::string& to,
                                   StagingFile staging = StagingFile::kUnnamedWhenSupported,
                                   FileIdentity* copied = nullptr);

}  // namespace varnoth
