// SPDX-License-Identifier: GPL-3.0-or-later
#include "wide_names.h"

#include <gtest/gtest.h>

#include <string>

namespace varnoth {
namespace {

struct NameCase {
  const char* name;
  std::u16string wide;
  std::string bytes;  // what a valid name must become: its UTF-8
};

class WideNames : public testing::TestWithParam<NameCase> {};

// Windows names are 16-bit units without a validity rule: every one must come back as it was,
// or a file whose name the conversion changed could be neither listed truly nor moved.
TEST_P(WideNames, ComeBackUnchanged) {
  const std::string bytes = BytesFromWide(GetParam().wide);
  EXPECT_EQ(WideFromBytes(bytes), GetParam().wide);
  if (!GetParam().bytes.empty()) {
    EXPECT_EQ(bytes, GetParam().bytes) << "valid names are plain UTF-8, as typed text is";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, WideNames,
    testing::Values(
        NameCase{"ascii", u"Trip013.jpg", "Trip013.jpg"},
        NameCase{"two_byte_letters", u"Zo\u00EB.jpg", "Zo\xC3\xAB.jpg"},
        NameCase{"three_byte_letters", u"\u65C5\u884C.jpg", "\xE6\x97\x85\xE8\xA1\x8C.jpg"},
        NameCase{"surrogate_pair_is_one_character", u"\U0001F4F7.jpg", "\xF0\x9F\x93\xB7.jpg"},
        NameCase{"lone_lead_surrogate", std::u16string(u"a") + char16_t(0xD83D) + u"b", ""},
        NameCase{"lone_trail_surrogate_at_end", std::u16string(u"a") + char16_t(0xDCF7), ""},
        NameCase{"trail_before_lead_is_no_pair", std::u16string{char16_t(0xDCF7), char16_t(0xD83D)},
                 ""},
        NameCase{"nul_free_highest_units", std::u16string{char16_t(0xFFFF), char16_t(0xFFFE)},
                 "\xEF\xBF\xBF\xEF\xBF\xBE"}),
    [](const auto& info) { return std::string(info.param.name); });

// Bytes no listing gives (stray continuation bytes, overlong or cut-off forms) must not turn
// into a name that differs from another spelling only by the conversion: each becomes U+FFFD.
TEST(WideNames, BytesThatAreNoNameBecomeReplacementCharacters) {
  EXPECT_EQ(WideFromBytes("a\x80z"), u"a\uFFFDz");
  EXPECT_EQ(WideFromBytes("\xC0\xAF"), u"\uFFFD\uFFFD") << "an overlong '/' is no separator";
  EXPECT_EQ(WideFromBytes("\xE6\x97"), u"\uFFFD\uFFFD") << "cut off";
  EXPECT_EQ(WideFromBytes("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD") << "past U+10FFFF";
}

}  // namespace
}  // namespace varnoth
