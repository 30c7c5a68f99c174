// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace varnoth {

// Whether a file name matches a file-list pattern: "*" matches any run of characters (also none),
// every other character stands for itself ("?" and "[" included, as file names may hold them),
// and ASCII letters match regardless of case. Time grows with name length times pattern length
// at worst, however many stars the pattern has.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// A pattern taken apart and case-folded once, for matching many names against it.
class Wildcard {
 public:
  explicit Wildcard(std::string_view pattern);
  Wildcard(const Wildcard&) = delete;  // the views below point into folded_
  Wildcard& operator=(const Wildcard&) = delete;
  bool matches(std::string_view name) const;

 private:
  std::string folded_;
  bool hasStar_ = false;
  std::string_view head_;    // before the first star (the whole pattern if it has none)
  std::string_view middle_;  // from after the first star to the last star, that star included
  std::string_view tail_;    // after the last star
};

}  // namespace varnoth
