// SPDX-License-Identifier: GPL-3.0-or-later
#include "wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace varnoth {
namespace {

struct WildcardCase {
  const char* description;
  std::string name;
  std::string pattern;
  bool matches;
};

TEST(MatchesPatternTest, FollowsTheRules) {
  const WildcardCase cases[] = {
      {"a lone star matches any name", "Trip001.jpg", "*", true},
      {"a lone star matches the empty name", "", "*", true},
      {"the extension pattern matches its extension", "a.jpg", "*.jpg", true},
      {"the extension pattern ignores case", "IMG_7.JPG", "*.jpg", true},
      {"the extension pattern refuses a longer extension", "a.jpeg", "*.jpg", false},
      {"the extension pattern refuses a name that only contains it", "a.jpg.bak", "*.jpg", false},
      {"a star may match nothing before the extension", ".jpg", "*.jpg", true},
      {"the stem pattern takes the bare stem", "Trip.jpg", "Trip*.jpg", true},
      {"the stem pattern takes numbered names in any case", "trip001.JPG", "Trip*.jpg", true},
      {"the stem pattern takes longer words", "Tripod.jpg", "Trip*.jpg", true},
      {"the stem must start the name", "MyTrip001.jpg", "Trip*.jpg", false},
      {"head and tail may not overlap", "aba", "ab*ba", false},
      {"head and tail may meet", "abba", "ab*ba", true},
      {"question mark is literal", "a?.jpg", "a?.jpg", true},
      {"question mark does not stand for a character", "ab.jpg", "a?.jpg", false},
      {"brackets are literal", "[ab].jpg", "[ab].jpg", true},
      {"brackets are not a character class", "a.jpg", "[ab].jpg", false},
      {"without a star the whole name must match", "Trip001.jpg", "trip001.JPG", true},
      {"without a star a prefix is not enough", "Trip001.jpg", "Trip001", false},
      {"several stars find pieces in order", "xaybzc", "*a*b*c*", true},
      {"several stars refuse pieces out of order", "acb", "*a*b*c", false},
      {"a piece is found after a false start", "aab", "*ab", true},
      {"pieces may not share characters", "ab", "*ab*b*", false},
      {"adjacent stars act as one", "abc", "a**c", true},
      {"bytes beyond ASCII are compared exactly", "\xc3\xa9t\xc3\xa9.jpg", "\xc3\x89*", false},
      {"bytes beyond ASCII match themselves", "\xff\xfe.jpg", "\xff*.jpg", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches) << c.description;
  }
}

// Backtracking matchers take exponential time on this; a hang here is the fault.
TEST(MatchesPatternTest, ManyStarsDoNotBacktrack) {
  const std::string name(5000, 'a');
  std::string pattern;
  for (int i = 0; i < 40; ++i)
    pattern += "*a";
  EXPECT_FALSE(MatchesPattern(name, pattern + "*b"));
  EXPECT_TRUE(MatchesPattern(name, pattern + "*"));
}

}  // namespace
}  // namespace varnoth
