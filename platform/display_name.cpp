// SPDX-License-Identifier: GPL-3.0-or-later
#include "display_name.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "ports/path_separator.h"

namespace varnoth {

namespace {

struct Range {
  char32_t first;
  char32_t last;
};

// Sorted and disjoint. Controls; the default-ignorable characters, which fonts draw as nothing
// (soft hyphen, combining grapheme joiner, fillers, zero-width and bidirectional controls,
// invisible operators, variation selectors, byte order mark, tags); line and paragraph
// separators; and the characters that look like "/" in common fonts.
constexpr std::array kHidden = {
    Range{0x0000, 0x001F},   Range{0x007F, 0x009F},   Range{0x00AD, 0x00AD},
    Range{0x034F, 0x034F},   Range{0x061C, 0x061C},   Range{0x115F, 0x1160},
    Range{0x17B4, 0x17B5},   Range{0x180B, 0x180F},   Range{0x200B, 0x200F},
    Range{0x2028, 0x202E},   Range{0x2044, 0x2044},   Range{0x2060, 0x206F},
    Range{0x2215, 0x2215},   Range{0x29F8, 0x29F8},   Range{0x3164, 0x3164},
    Range{0xFE00, 0xFE0F},   Range{0xFEFF, 0xFEFF},   Range{0xFFA0, 0xFFA0},
    Range{0xFFF0, 0xFFFB},   Range{0x13430, 0x1343F}, Range{0x1BCA0, 0x1BCA3},
    Range{0x1D173, 0x1D17A}, Range{0xE0000, 0xE0FFF},
};

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, std::uint32_t value, int digits) {
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
    out += kHexDigits[(value >> shift) & 0xF];
}

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return byte >= low && byte <= high;
}

struct Decoded {
  char32_t character;
  std::size_t length;
};

// The well-formed UTF-8 sequence at the start of `bytes`, if there is one: no overlong forms, no
// surrogates, nothing past U+10FFFF.
std::optional<Decoded> DecodeOne(std::string_view bytes) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = at(0);
  if (lead < 0x80)
    return Decoded{lead, 1};
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return std::nullopt;
  }
  if (bytes.size() < length || !IsContinuation(at(1), low, high))
    return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if (i > 1 && !IsContinuation(at(i)))
      return std::nullopt;
    value = (value << 6) | (at(i) & 0x3F);
  }
  return Decoded{value, length};
}

void AppendEscaped(std::string& out, char32_t character) {
  switch (character) {
    case U'\n':
      out += "\\n";
      return;
    case U'\r':
      out += "\\r";
      return;
    case U'\t':
      out += "\\t";
      return;
    default:
      break;
  }
  if (character < 0x80) {
    out += "\\x";
    AppendHex(out, character, 2);
  } else if (character <= 0xFFFF) {
    out += "\\u";
    AppendHex(out, character, 4);
  } else {
    out += "\\U";
    AppendHex(out, character, 8);
  }
}

// Windows names cannot hold "\", its separator, so there the escapes are unambiguous without
// doubling it, and a path such as "C:\Photos" reads as Windows writes it.
constexpr bool kEscapeBackslash = kPathSeparator != '\\';

bool IsPlainAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F && (c != '\\' || !kEscapeBackslash);
  });
}

}  // namespace

bool IsHiddenOrSteering(char32_t character) {
  const auto after =
      std::upper_bound(kHidden.begin(), kHidden.end(), character,
                       [](char32_t value, const Range& range) { return value < range.first; });
  return after != kHidden.begin() && character <= std::prev(after)->last;
}

// Why no two names show the same: the text can be read back from left to right. A backslash
// always starts an escape, and each escape says by its letter how many digits follow: \\ is a
// backslash, \n \r \t and \xHH below 80 a control character, \xHH from 80 one byte as it was, \u
// and \U a character by its code. Any other character stands for itself. Well-formed UTF-8 has
// exactly one encoding per character, so reading back gives the original bytes.
std::string DisplayName(std::string_view bytes) {
  if (IsPlainAscii(bytes))
    return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  while (!bytes.empty()) {
    const std::optional<Decoded> decoded = DecodeOne(bytes);
    if (!decoded) {
      out += "\\x";
      AppendHex(out, static_cast<unsigned char>(bytes.front()), 2);
      bytes.remove_prefix(1);
      continue;
    }
    if (decoded->character == U'\\' && kEscapeBackslash)
      out += "\\\\";
    else if (IsHiddenOrSteering(decoded->character))
      AppendEscaped(out, decoded->character);
    else
      out.append(bytes.substr(0, decoded->length));
    bytes.remove_prefix(decoded->length);
  }
  return out;
}

std::string IsolatedName(std::string_view bytes) {
  return "\u2068" + DisplayName(bytes) + "\u2069";
}

}  // namespace varnoth
