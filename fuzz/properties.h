// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "display_name.h"
#include "naming.h"
#include "natural_order.h"
#include "wide_names.h"
#include "wildcard.h"

namespace varnoth::fuzz {

// Each check returns the first property that the inputs break, worded for the crash report, or
// nothing when all hold. The rules under test come in as function pointers, so that the tests of
// these checks can hand in a faulty rule and see it caught.

struct NumberingRules {
  SuffixReading (*numericSuffix)(std::string_view name, std::string_view stem) = NumericSuffix;
  HighestNumberScan (*highestNumber)(std::span<const std::string> names,
                                     std::string_view stem) = HighestNumber;
};
std::optional<std::string> BrokenNumberingProperty(std::string_view stem,
                                                   std::span<const std::string> names,
                                                   const NumberingRules& rules = {});

struct WildcardRules {
  bool (*matchesPattern)(std::string_view name, std::string_view pattern) = MatchesPattern;
};
std::optional<std::string> BrokenWildcardProperty(std::string_view pattern,
                                                  std::span<const std::string> names,
                                                  const WildcardRules& rules = {});

// The plain dynamic-programming matcher the fast one is held against.
bool ReferenceMatch(std::string_view name, std::string_view pattern);

struct OrderRules {
  int (*naturalCompare)(std::string_view a, std::string_view b) = NaturalCompare;
  void (*sortNaturally)(std::vector<std::string>& names) = SortNaturally;
};
std::optional<std::string> BrokenOrderProperty(std::string_view a, std::string_view b,
                                               std::string_view c, const OrderRules& rules = {});
std::optional<std::string> BrokenSortProperty(std::span<const std::string> names,
                                              const OrderRules& rules = {});

struct PathRules {
  std::string (*folderNameOf)(std::string_view directoryPath) = FolderNameOf;
  std::string (*joinPath)(std::string_view directory, std::string_view name) = JoinPath;
  StemRefusal (*refuseStem)(std::string_view stem) = RefuseStem;
  DirectoryNameRefusal (*refuseDirectoryName)(std::string_view name) = RefuseDirectoryName;
};
std::optional<std::string> BrokenPathProperty(std::string_view directory, std::string_view name,
                                              const PathRules& rules = {});

struct DisplayRules {
  std::string (*displayName)(std::string_view bytes) = DisplayName;
};
// Each name's shown text is well-formed UTF-8 without a control, direction or invisible character,
// reads back to the name's bytes, and leaves plain ASCII as it is; two names never show the same.
std::optional<std::string> BrokenDisplayProperty(std::string_view a, std::string_view b,
                                                 const DisplayRules& rules = {});
struct WideNameRules {
  std::string (*bytesFromWide)(std::u16string_view wide) = BytesFromWide;
  std::u16string (*wideFromBytes)(std::string_view bytes) = WideFromBytes;
};
std::optional<std::string> BrokenWideNameProperty(std::string_view bytes,
                                                  const WideNameRules& rules = {});

// A number in 0..2147483647 spread over the range by the bytes, so that every input tries other
// numbers without a separate piece for them.
std::int32_t NumberFromBytes(std::string_view bytes);

// ASCII letters folded to lower or upper case; all other bytes unchanged.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

}  // namespace varnoth::fuzz
