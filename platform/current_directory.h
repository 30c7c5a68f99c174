// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace varnoth {

// The process's current directory as bytes ("/" if it cannot be read).
std::string CurrentDirectory();

}  // namespace varnoth
