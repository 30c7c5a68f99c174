// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnoth {

// The order of file lists: ASCII case ignored and runs of ASCII digits compared by their value, of
// any length ("scan2" before "scan10"). Names equal under those rules are told apart by fewer
// leading zeros first, then by their bytes, so only identical names compare equal.

// Negative, zero or positive as `a` sorts before, with or after `b`.
int NaturalCompare(std::string_view a, std::string_view b);

inline bool NaturalLess(std::string_view a, std::string_view b) {
  return NaturalCompare(a, b) < 0;
}

// Same order as NaturalLess; computes every name's sort key once, which matters for big lists.
void SortNaturally(std::vector<std::string>& names);
// The same for names held in several lists, such as a folder read in pieces: returns them all in
// one list, without gathering them first.
std::vector<std::string> SortNaturally(std::vector<std::vector<std::string>> pieces);

}  // namespace varnoth
