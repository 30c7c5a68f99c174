// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace varnoth {

// How a file or directory name (bytes, usually UTF-8) is shown: as valid UTF-8 in which every
// character is visible and none can reorder or hide the text around it.
//  - a byte that is not part of a well-formed UTF-8 sequence: \xFF (two upper-case hex digits);
//  - a control character: \n, \r, \t, or \x1B for the others (C1 controls as \u0085);
//  - a character that is invisible or steers the direction of text (bidirectional controls,
//    zero-width characters, variation selectors, fillers, tags, line separators), and the
//    look-alikes of "/": \u202E (four digits) or \U000E0001 (eight) beyond the first plane;
//  - the backslash itself: \\ , so that the escapes above are never ambiguous;
//  - every other character as it is.
// Reading the escapes back gives the bytes again, so two different names never show the same.
std::string DisplayName(std::string_view bytes);

// True for the characters DisplayName never shows as they are: those that would hide, reorder
// or pose as a path separator.
bool IsHiddenOrSteering(char32_t character);

// The name as it stands inside a sentence: shown by DisplayName and set apart between a
// first-strong isolate (U+2068) and a pop directional isolate (U+2069), so that its direction
// never reorders the words around it.
std::string IsolatedName(std::string_view bytes);

}  // namespace varnoth
