// SPDX-License-Identifier: GPL-3.0-or-later
#include "properties.h"

namespace varnoth::fuzz {

std::optional<std::string> BrokenWideNameProperty(std::string_view bytes,
                                                  const WideNameRules& rules) {
  // The bytes read as 16-bit units: any sequence a Windows listing can give.
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  if (rules.wideFromBytes(rules.bytesFromWide(units)) != units)
    return "a name of 16-bit units does not come back from bytes unchanged";
  // The bytes as a name typed or built in the program: what it names must survive a listing.
  const std::u16string named = rules.wideFromBytes(bytes);
  if (rules.wideFromBytes(rules.bytesFromWide(named)) != named)
    return "the name some bytes convert to does not come back unchanged";
  return std::nullopt;
}

}  // namespace varnoth::fuzz
