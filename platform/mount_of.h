// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace varnoth {

// Asks the file system holding `folder` a question of its own (its size) and returns whether it
// answered. Waits as long as that file system does: ask it on a worker.
bool FileSystemAnswers(const std::string& folder);

#ifdef _WIN32
// The volume that holds `path` by its spelling alone, touching no file system: "D:\" for
// "d:\Photos", "\\nas\photos" for "\\nas\photos\2024" (also behind "\\?\" and "\\?\UNC\", and
// with separators doubled or written as "/"); empty when the path names no drive or share.
std::string VolumeRootOf(std::string_view path);
#endif

}  // namespace varnoth
