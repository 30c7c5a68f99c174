// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>

#include "properties.h"

namespace varnoth::fuzz {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::optional<std::uint32_t> Hex(std::string_view digits) {
  std::uint32_t value = 0;
  for (const char d : digits) {
    const int v = d >= '0' && d <= '9' ? d - '0' : d >= 'A' && d <= 'F' ? d - 'A' + 10 : -1;
    if (v < 0)
      return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(v);
  }
  return value;
}

// The shown text's characters, or nothing when it is not well-formed UTF-8. Decoded by the book,
// independently of the rule under test.
std::optional<std::u32string> Characters(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || i + length > text.size())
      return std::nullopt;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80)
        return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      return std::nullopt;
    out += c;
    i += length;
  }
  return out;
}

// Reads the escapes back as the rule states them: \\ a backslash, \n \r \t, \xHH one byte,
// \uHHHH and \UHHHHHHHH a character; any other character stands for itself.
std::optional<std::string> ReadBack(const std::u32string& shown) {
  std::string bytes;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] != U'\\') {
      AppendUtf8(bytes, shown[i]);
      continue;
    }
    if (++i >= shown.size())
      return std::nullopt;
    const char32_t kind = shown[i];
    const std::size_t digits = kind == U'x' ? 2 : kind == U'u' ? 4 : kind == U'U' ? 8 : 0;
    if (kind == U'\\' || kind == U'n' || kind == U'r' || kind == U't') {
      bytes += kind == U'\\' ? '\\' : kind == U'n' ? '\n' : kind == U'r' ? '\r' : '\t';
      continue;
    }
    if (digits == 0)
      return std::nullopt;
    std::string hex;
    for (std::size_t k = 1; k <= digits; ++k) {
      if (i + k >= shown.size() || shown[i + k] > 0x7F)
        return std::nullopt;
      hex += static_cast<char>(shown[i + k]);
    }
    const std::optional<std::uint32_t> value = Hex(hex);
    if (!value)
      return std::nullopt;
    if (kind == U'x')
      bytes += static_cast<char>(*value);
    else
      AppendUtf8(bytes, *value);
    i += digits;
  }
  return bytes;
}

// What must never reach the screen as it is: controls, bidirectional controls, zero-width and
// other invisible format characters, line and paragraph separators.
bool MustNotShow(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x2069) || c == 0xFEFF;
}

bool PlainAscii(std::string_view name) {
  for (const char c : name) {
    if (c < 0x20 || c > 0x7E || c == '\\')
      return false;
  }
  return true;
}

std::optional<std::string> BrokenForOne(std::string_view name, const DisplayRules& rules) {
  const std::string shown = rules.displayName(name);
  const std::optional<std::u32string> characters = Characters(shown);
  if (!characters)
    return "DisplayName gives text that is not well-formed UTF-8";
  for (const char32_t c : *characters) {
    if (MustNotShow(c))
      return "DisplayName lets a control, direction or invisible character through";
  }
  if (ReadBack(*characters) != name)
    return "DisplayName's text does not read back to the name's bytes";
  if (PlainAscii(name) && shown != name)
    return "DisplayName changes a plain name";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> BrokenDisplayProperty(std::string_view a, std::string_view b,
                                                 const DisplayRules& rules) {
  for (const std::string_view name : {a, b}) {
    if (auto broken = BrokenForOne(name, rules))
      return broken;
  }
  if (a != b && rules.displayName(a) == rules.displayName(b))
    return "DisplayName shows two different names the same";
  return std::nullopt;
}

}  // namespace varnoth::fuzz
