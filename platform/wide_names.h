// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace varnoth {

// Windows names are sequences of 16-bit units that need not be valid UTF-16; the program keeps
// names as bytes. The bytes are WTF-8: UTF-8, with a surrogate unit that has no partner written
// as the three bytes UTF-8 would give its value. Every sequence of units goes to bytes and comes
// back unchanged, so a file whose name holds an unpaired surrogate is listed and moved under its
// own name; on valid UTF-16 the bytes are plain UTF-8, so typed text needs no conversion.
std::string BytesFromWide(std::u16string_view wide);
// The inverse. A byte that starts no well-formed sequence (never the output of BytesFromWide)
// becomes U+FFFD, so it can name no existing file by accident.
std::u16string WideFromBytes(std::string_view bytes);

}  // namespace varnoth
