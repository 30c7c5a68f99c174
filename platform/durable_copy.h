// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

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
// that changes while it is read is not copied (MoveError::kChangedWhileCopying). On failure
// `from` is untouched and no temporary is left; `to` is absent, unless only the final directory
// sync failed (MoveError::kCopyNotDurable), which leaves the complete copy there. `copied`, when
// given, receives the state of the source that was copied.
std::error_code CopyBytesToNewName(const std::string& from, const std::string& to,
                                   StagingFile staging = StagingFile::kUnnamedWhenSupported,
                                   FileIdentity* copied = nullptr);

}  // namespace varnoth
