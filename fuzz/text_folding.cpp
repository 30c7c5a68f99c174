// SPDX-License-Identifier: GPL-3.0-or-later
#include "properties.h"

namespace varnoth::fuzz {

std::int32_t NumberFromBytes(std::string_view bytes) {
  std::uint32_t value = 2166136261u;
  for (const char c : bytes) {
    value = (value ^ static_cast<unsigned char>(c)) * 16777619u;
  }
  return static_cast<std::int32_t>(value & 0x7fffffffu);
}

std::string AsciiLower(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string AsciiUpper(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

}  // namespace varnoth::fuzz
