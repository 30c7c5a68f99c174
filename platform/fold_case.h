// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace varnoth {

// Case is ignored for ASCII letters only: a name's other bytes may not be text at all, and
// folding them by a locale would make the same folder list and sort differently per user.
constexpr char FoldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace varnoth
