#pragma once

#include <string>
#include <system_error>

namespace varnoth {

// Where the bytes wait until the copy is complete.
enum class StagingFile {
  kUnnamedWhenSupported,  // an O_TMPFILE, or a hidden name where the file system has none
  kHiddenName,            // always a hidden name in the target's directory
};

// Copies the bytes, permission bits, and access and modification times of `from` to the new name
// `to`. The copy is flushed to disk (file and directory) before success is reported and appears
// under `to` only when complete; an existing `to` is never replaced (the result is then "File
// exists"). On failure `from` is untouched and no temporary is left; `to` is absent, unless only
// the final directory sync failed, which leaves the complete copy there.
std::error_code CopyBytesToNewName(const std::string& from, const std::string& to,
                                   StagingFile staging = StagingFile::kUnnamedWhenSupported);

}  // namespace varnoth
