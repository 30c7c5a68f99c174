// SPDX-License-Identifier: GPL-3.0-or-later
#include "wide_names.h"

#include <cstdint>

namespace varnoth {

namespace {

bool IsLead(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsTrail(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void Append(std::string& out, char32_t point) {
  auto byte = [&](std::uint32_t value) { out += static_cast<char>(value); };
  if (point < 0x80) {
    byte(point);
  } else if (point < 0x800) {
    byte(0xC0 | (point >> 6));
    byte(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    byte(0xE0 | (point >> 12));
    byte(0x80 | ((point >> 6) & 0x3F));
    byte(0x80 | (point & 0x3F));
  } else {
    byte(0xF0 | (point >> 18));
    byte(0x80 | ((point >> 12) & 0x3F));
    byte(0x80 | ((point >> 6) & 0x3F));
    byte(0x80 | (point & 0x3F));
  }
}

void Append(std::u16string& out, char32_t point) {
  if (point < 0x10000) {
    out += static_cast<char16_t>(point);
  } else {
    point -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (point >> 10));
    out += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
  }
}

}  // namespace

std::string BytesFromWide(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char32_t unit = wide[i];
    if (IsLead(unit) && i + 1 < wide.size() && IsTrail(wide[i + 1])) {
      Append(out, 0x10000 + ((unit - 0xD800) << 10) + (char32_t{wide[i + 1]} - 0xDC00));
      ++i;
    } else {
      Append(out, unit);  // a surrogate alone is written as its own value
    }
  }
  return out;
}

std::u16string WideFromBytes(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    char32_t point = 0;
    char32_t least = 0;
    if (first < 0x80) {
      length = 1;
      point = first;
    } else if (first >= 0xC2 && first <= 0xDF) {
      length = 2;
      point = first & 0x1F;
      least = 0x80;
    } else if (first >= 0xE0 && first <= 0xEF) {
      length = 3;
      point = first & 0x0F;
      least = 0x800;
    } else if (first >= 0xF0 && first <= 0xF4) {
      length = 4;
      point = first & 0x07;
      least = 0x10000;
    }
    bool wellFormed = length > 0 && i + length <= bytes.size();
    for (std::size_t k = 1; wellFormed && k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      wellFormed = (next & 0xC0) == 0x80;
      point = (point << 6) | (next & 0x3F);
    }
    // Overlong forms and values past U+10FFFF would give a second spelling of one name.
    if (!wellFormed || point < least || point > 0x10FFFF) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    Append(out, point);
    i += length;
  }
  return out;
}

}  // namespace varnoth
