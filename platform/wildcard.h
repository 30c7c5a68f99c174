// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace varnoth {

// Whether a file name matches a file-list pattern: "*" matches any run of characters (also none),
// every other character stands for itself ("?" and "[" included, as file names may hold them),
// and ASCII letters match regardless of case. Time grows with name length times pattern length
// at worst, however many stars the pattern has.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// A pattern taken apart once, for matching many names against it. It refers to the pattern's
// characters, which must outlive it.
class Wildcard {
 public:
  explicit Wildcard(std::string_view pattern);
  bool matches(std::string_view name) const;

 private:
  bool hasStar_;
  std::string_view head_;    // before the first star (the whole pattern if it has none)
  std::string_view middle_;  // from after the first star to the last star, that star included
  std::string_view tail_;    // after the last star
};

}  // namespace varnoth
