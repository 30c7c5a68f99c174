// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <array>
#include <cstddef>

#include "fuzz_input.h"
#include "properties.h"

namespace varnoth::fuzz {

namespace {

int Sign(int value) {
  return (value > 0) - (value < 0);
}

std::string_view WithoutTrailingDigits(std::string_view text) {
  while (!text.empty() && text.back() >= '0' && text.back() <= '9')
    text.remove_suffix(1);
  return text;
}

// Numbered names differing only in their number sort by that number, however large.
std::optional<std::string> BrokenNumberOrder(std::string_view stem, std::int32_t m, std::int32_t n,
                                             std::string_view extension, const OrderRules& rules) {
  const int order =
      rules.naturalCompare(NumberedName(stem, m, extension), NumberedName(stem, n, extension));
  if (Sign(order) != (m > n) - (m < n))
    return "numbered names do not sort by their numbers";
  return std::nullopt;
}

std::optional<std::string> BrokenTriple(std::string_view a, std::string_view b, std::string_view c,
                                        const OrderRules& rules) {
  const std::array<std::string_view, 3> names{a, b, c};
  // Every ordered pair compared once: the compare builds sort keys, and the fuzzer's speed is
  // what finds faults.
  int order[3][3];
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j)
      order[i][j] = Sign(rules.naturalCompare(names[i], names[j]));
  }
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) {
      if (order[i][j] != -order[j][i])
        return "NaturalCompare is not antisymmetric";
      // The tie-break promises that only identical names compare equal.
      if ((order[i][j] == 0) != (names[i] == names[j]))
        return "NaturalCompare is zero for different names, or not zero for identical ones";
      for (std::size_t k = 0; k < 3; ++k) {
        if (order[i][j] < 0 && order[j][k] < 0 && order[i][k] >= 0)
          return "NaturalCompare is not transitive";
      }
    }
  }
  // Folding the case of both names changes nothing unless it makes them identical.
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = i + 1; j < 3; ++j) {
      const std::string lowerI = AsciiLower(names[i]), lowerJ = AsciiLower(names[j]);
      if (lowerI != lowerJ && Sign(rules.naturalCompare(lowerI, lowerJ)) != order[i][j])
        return "NaturalCompare depends on ASCII case beyond breaking ties";
    }
  }
  return std::nullopt;
}

// One more zero in front of the first digit run, or the name unchanged when it has none.
std::string WithExtraLeadingZero(std::string_view name) {
  std::string padded(name);
  const std::size_t digit = padded.find_first_of("0123456789");
  if (digit != std::string::npos)
    padded.insert(digit, 1, '0');
  return padded;
}

}  // namespace

std::optional<std::string> BrokenOrderProperty(std::string_view a, std::string_view b,
                                               std::string_view c, const OrderRules& rules) {
  if (auto broken = BrokenTriple(a, b, c, rules))
    return broken;
  // Names that differ only in case or in leading zeros are where the tie-break decides, and
  // random pieces rarely come that close: make them from the first name.
  const std::string padded = WithExtraLeadingZero(a);
  if (auto broken = BrokenTriple(a, AsciiUpper(a), AsciiLower(a), rules))
    return broken;
  if (auto broken = BrokenTriple(a, padded, AsciiUpper(padded), rules))
    return broken;

  const std::string_view stem = WithoutTrailingDigits(a);
  // 999 and 1000: where the three-digit padding stops keeping text order and number order alike.
  if (auto broken = BrokenNumberOrder(stem, 999, 1000, c, rules))
    return broken;
  return BrokenNumberOrder(stem, NumberFromBytes(b), NumberFromBytes(c), c, rules);
}

std::optional<std::string> BrokenSortProperty(std::span<const std::string> names,
                                              const OrderRules& rules) {
  // The order is strict and total, so there is exactly one sorted sequence of the names.
  std::vector<std::string> sorted(names.begin(), names.end());
  std::vector<std::string> expected = sorted;
  std::sort(expected.begin(), expected.end(), [&](const std::string& x, const std::string& y) {
    return rules.naturalCompare(x, y) < 0;
  });
  rules.sortNaturally(sorted);
  if (sorted != expected)
    return "SortNaturally differs from sorting by NaturalCompare";
  return std::nullopt;
}

}  // namespace varnoth::fuzz
