// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace varnoth {

// The separator of the paths the ports take and give, and the characters a single name may not
// hold because the system would read them as leaving its folder: on Windows "/" separates too,
// and ":" names a drive or a second data stream of a file.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kNameBreakers{"\\/:"};
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kNameBreakers{"/"};
#endif

}  // namespace varnoth
