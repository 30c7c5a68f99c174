// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>

namespace varnoth::fuzz {

std::vector<std::string> SplitAtNul(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> pieces(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      pieces.emplace_back();
    } else {
      pieces.back().push_back(static_cast<char>(data[i]));
    }
  }
  return pieces;
}

std::string_view PieceOr(std::span<const std::string> pieces, std::size_t index) {
  return index < pieces.size() ? std::string_view(pieces[index]) : std::string_view();
}

std::string Escaped(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\\') {
      text += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7f) {
      text.push_back(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      text += hex;
    }
  }
  return text;
}

void ReportBroken(std::string_view property, std::span<const std::string> pieces) {
  std::fprintf(stderr, "broken property: %.*s\n", static_cast<int>(property.size()),
               property.data());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    std::fprintf(stderr, "  piece %zu: \"%s\"\n", i, Escaped(pieces[i]).c_str());
  }
  std::abort();
}

}  // namespace varnoth::fuzz
