// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace varnoth {

// Whether a file name matches a file-list pattern: "*" matches any run of characters (also none),
// every other character stands for itself ("?" and "[" included, as file names may hold them),
// and ASCII letters match regardless of case. Time grows with name length times pattern length
// at worst, however many stars the pattern has.
bool MatchesPattern(std::string_view name, std::string_view pattern);

}  // namespace varnoth
