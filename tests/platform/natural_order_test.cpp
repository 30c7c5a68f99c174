// SPDX-License-Identifier: GPL-3.0-or-later
#include "natural_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace varnoth {
namespace {

struct OrderCase {
  const char* description;
  std::string before;
  std::string after;
};

TEST(NaturalOrderTest, OrdersPairs) {
  const OrderCase cases[] = {
      {"numbers compare by value", "scan2", "scan10"},
      {"numbers compare by value inside names", "Trip9.jpg", "Trip013.jpg"},
      {"case is ignored", "apple", "Banana"},
      {"case is ignored the other way", "APPLE", "banana"},
      {"the bare stem comes before numbered names", "Trip.jpg", "Trip001.jpg"},
      {"digits come before letters", "a1", "aa"},
      {"a prefix comes first", "scan", "scan1"},
      {"later digit runs decide when earlier ones tie", "v1.9", "v1.10"},
      {"zero comes before one", "x0", "x1"},
      {"all zeros are worth zero", "x000", "x1"},
      {"leading zeros do not make a number bigger", "x0009", "x10"},
      {"equal values: fewer leading zeros first", "scan2", "scan002"},
      {"equal values: the first run with other zeros decides", "a1b002", "a01b2"},
      {"equal up to case: bytes decide", "A.jpg", "a.jpg"},
      {"twenty digits do not overflow", "x99999999999999999999", "x100000000000000000000"},
      {"numbers beyond 255 digits compare by length", "n" + std::string(299, '9'),
       "n1" + std::string(299, '0')},
      {"numbers beyond 255 digits compare by digits", "n" + std::string(300, '1'),
       "n" + std::string(300, '2')},
      {"bytes beyond ASCII come after letters", "zebra", "\xc3\xa9t\xc3\xa9"},
      {"bytes beyond ASCII are not case-folded", "\xc3\x89", "\xc3\xa9"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(NaturalLess(c.before, c.after)) << c.description;
    EXPECT_FALSE(NaturalLess(c.after, c.before)) << c.description;
  }
}

// Names that tie under some of the rules, and long ones whose keys share their first bytes.
std::vector<std::string> TrickyNames() {
  std::vector<std::string> names = {"",      "a",         "A",      "a0",  "a00",  "a1",    "A1",
                                    "a01",   "a001",      "a10",    "a1b", "a01b", "a1b01", "a01b1",
                                    "a.jpg", "A.JPG",     "a1.jpg", "a_1", "a 1",  "Z",     "z09",
                                    "\xff",  "a\xff\x31", "01",     "0"};
  for (const char* number : {"1", "01", "2", "10", ""}) {
    names.push_back(std::string("IMG_20230101_120000_") + number + ".jpg");
  }
  for (const char* head : {"n", "n1", "n0"}) {
    names.push_back(head + std::string(300, '9'));
  }
  return names;
}

TEST(NaturalOrderTest, IsATotalOrderThatSortingFollows) {
  auto names = TrickyNames();
  for (const auto& a : names) {
    for (const auto& b : names) {
      const int ab = NaturalCompare(a, b);
      EXPECT_EQ(ab == 0, a == b) << "only identical names are equal: " << a << ", " << b;
      EXPECT_EQ(ab, -NaturalCompare(b, a)) << a << " against " << b;
      for (const auto& c : names) {
        if (NaturalLess(a, b) && NaturalLess(b, c)) {
          EXPECT_TRUE(NaturalLess(a, c)) << a << " < " << b << " < " << c;
        }
      }
    }
  }

  // Sorting takes many names sharing long heads, each tricky name behind every prefix and before
  // many numbers, so that the buckets of like head bytes are big, the ties past the heads are
  // many, some names come twice, and there are enough names to be sorted in two halves whose
  // first buckets are too big for the sort's scratch and are ordered in place.
  const std::vector<std::string> tricky = names;
  for (const char* prefix : {"", "IMG_", "IMG_0", "Holiday 2023 ", "A1b2C3d4E5f6G7h8"}) {
    for (const auto& name : tricky) {
      names.push_back(prefix + name);
      for (int copy = 0; copy < 250; ++copy)
        names.push_back(prefix + name + " (" + std::to_string(copy) + ")");
    }
  }
  ASSERT_GT(names.size(), 2 * 16'384u);
  std::shuffle(names.begin(), names.end(), std::mt19937(7));
  auto expected = names;
  std::sort(expected.begin(), expected.end(), NaturalLess);
  SortNaturally(names);
  EXPECT_EQ(names, expected);
}

// Folders of one long stem and its numbers, as this program leaves them: the names begin with the
// same key bytes, a whole head of them or more, and differ only further on. Lists small and big
// enough to be sorted whole and in halves, and halves that each begin alike but not like the other.
TEST(NaturalOrderTest, SortsNamesThatAllBeginAlike) {
  struct Case {
    const char* lowerStem;
    const char* upperStem;
    int count;
  };
  const Case cases[] = {
      {"Holiday in Spain ", "Holiday in Spain ", 1'000},
      {"Holiday in Spain ", "Holiday in Spain ", 30'000},
      {"Holiday in Spain and Portugal 2019 ", "Holiday in Spain and Portugal 2019 ", 30'000},
      {"Holiday in Spain ", "Holiday in Italy ", 30'000},
  };
  for (const auto& c : cases) {
    std::vector<std::string> names;
    for (int i = 0; i < c.count; ++i) {
      const std::string zeros(static_cast<std::size_t>(i % 3), '0');
      names.push_back((i < c.count / 2 ? c.lowerStem : c.upperStem) + zeros +
                      std::to_string(i / 2) + " (" + std::to_string(i % 7) + ")" +
                      (i % 2 ? ".jpg" : ".JPG"));
    }
    // Each half of the list keeps its own stem, since a big list is sorted in halves.
    const auto middle = names.begin() + c.count / 2;
    std::shuffle(names.begin(), middle, std::mt19937(1));
    std::shuffle(middle, names.end(), std::mt19937(2));
    auto expected = names;
    std::sort(expected.begin(), expected.end(), NaturalLess);
    SortNaturally(names);
    EXPECT_EQ(names, expected) << c.count << " names from " << c.lowerStem << c.upperStem;
  }
}

}  // namespace
}  // namespace varnoth
