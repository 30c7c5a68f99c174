// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace varnoth {

// The process's current directory as bytes ("/" if it cannot be read).
std::string CurrentDirectory();

// Where a drive list's drive value takes a directory list that has not visited the drive yet: the
// drive's own current directory where the system keeps one per drive (Windows), else its root.
std::string StartDirectoryOn(const std::string& drive);

}  // namespace varnoth
