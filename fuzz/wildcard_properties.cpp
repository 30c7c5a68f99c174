// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstddef>
#include <vector>

#include "fuzz_input.h"
#include "properties.h"

namespace varnoth::fuzz {

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool ReferenceMatch(std::string_view name, std::string_view pattern) {
  // matched[j]: the first j pattern characters match the name characters read so far.
  std::vector<char> matched(pattern.size() + 1, 0);
  matched[0] = 1;
  for (std::size_t j = 0; j < pattern.size() && pattern[j] == '*'; ++j)
    matched[j + 1] = 1;
  for (const char c : name) {
    std::vector<char> next(pattern.size() + 1, 0);
    for (std::size_t j = 0; j < pattern.size(); ++j) {
      if (pattern[j] == '*') {
        next[j + 1] = matched[j + 1] || next[j];
      } else {
        next[j + 1] = matched[j] && Lower(c) == Lower(pattern[j]);
      }
    }
    matched = std::move(next);
  }
  return matched[pattern.size()] != 0;
}

namespace {

std::optional<std::string> BrokenForName(std::string_view pattern, std::string_view name,
                                         const WildcardRules& rules) {
  const bool matches = rules.matchesPattern(name, pattern);
  if (matches != ReferenceMatch(name, pattern))
    return "MatchesPattern differs from the reference matcher";
  if (pattern.find('*') == std::string_view::npos &&
      matches != (AsciiLower(name) == AsciiLower(pattern)))
    return "a pattern without \"*\" does not match exactly the names equal to it ignoring case";
  if (rules.matchesPattern(AsciiUpper(name), AsciiLower(pattern)) != matches ||
      rules.matchesPattern(AsciiLower(name), AsciiUpper(pattern)) != matches) {
    return "the match depends on ASCII case";
  }
  if (!rules.matchesPattern(name, "*") || !rules.matchesPattern(name, "**"))
    return "\"*\" does not match every name";
  if (!rules.matchesPattern(name, name))
    return "a name does not match itself as a pattern";

  // The lists are built from these patterns, so every name the run gives must show in them,
  // whatever the stem and extension hold.
  const std::string numbered = NumberedName(pattern, NumberFromBytes(name), name);
  if (!rules.matchesPattern(numbered, TargetPattern(pattern, name)))
    return "a numbered name does not match its target pattern";
  if (!rules.matchesPattern(numbered, SourcePattern(name)))
    return "a numbered name does not match the source pattern of its extension";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> BrokenWildcardProperty(std::string_view pattern,
                                                  std::span<const std::string> names,
                                                  const WildcardRules& rules) {
  for (const std::string& name : names) {
    if (auto broken = BrokenForName(pattern, name, rules))
      return "name \"" + Escaped(name) + "\": " + *broken;
  }
  return BrokenForName(pattern, pattern, rules);
}

}  // namespace varnoth::fuzz
