#include "engine/naming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnoth {
namespace {

std::string CaseName(const auto& info) {
  return info.param.name;
}

struct TextCase {
  const char* name;
  std::string actual;
  std::string expected;
};

class TextRuleTest : public testing::TestWithParam<TextCase> {};

TEST_P(TextRuleTest, GivesTheExpectedText) {
  EXPECT_EQ(GetParam().actual, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TextRuleTest,
    testing::Values(
        TextCase{"root_has_an_empty_folder_name", FolderNameOf("/"), ""},
        TextCase{"folder_name_is_the_last_component", FolderNameOf("/a/b"), "b"},
        TextCase{"path_without_slash_is_its_own_folder_name", FolderNameOf("Photos"), "Photos"},
        TextCase{"folder_name_keeps_bytes_that_are_not_utf8", FolderNameOf("/p/Fotos\xe9"),
                 "Fotos\xe9"},
        TextCase{"source_pattern", SourcePattern("jpg"), "*.jpg"},
        TextCase{"target_pattern", TargetPattern("Trip", "jpg"), "Trip*.jpg"},
        TextCase{"join_appends_one_slash", JoinPath("/photos", "a.jpg"), "/photos/a.jpg"},
        TextCase{"join_at_root_doubles_the_slash", JoinPath("/", "a.jpg"), "//a.jpg"},
        TextCase{"one_digit_padded_to_three", NumberText(7), "007"},
        TextCase{"three_digits_kept", NumberText(999), "999"},
        TextCase{"four_digits_not_cut", NumberText(1000), "1000"},
        TextCase{"largest_number_whole", NumberText(2147483647), "2147483647"},
        TextCase{"numbered_name", NumberedName("Trip", 13, "jpg"), "Trip013.jpg"}),
    CaseName<testing::TestParamInfo<TextCase>>);

using Kind = SuffixReading::Kind;

struct SuffixCase {
  const char* name;
  const char* fileName;
  const char* stem;
  Kind kind;
  std::int32_t number = 0;
};

class NumericSuffixTest : public testing::TestWithParam<SuffixCase> {};

TEST_P(NumericSuffixTest, ReadsOnlyDigitsBetweenStemAndFirstDot) {
  const SuffixReading reading = NumericSuffix(GetParam().fileName, GetParam().stem);
  EXPECT_EQ(reading.kind, GetParam().kind) << reading.failure;
  EXPECT_EQ(reading.number, GetParam().number);
  EXPECT_EQ(reading.failure.empty(), GetParam().kind != Kind::kFailure);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, NumericSuffixTest,
    testing::Values(
        SuffixCase{"three_digits", "Trip001.jpg", "Trip", Kind::kNumber, 1},
        SuffixCase{"two_digits", "Trip17.jpg", "Trip", Kind::kNumber, 17},
        SuffixCase{"four_digits_read_back", "Trip1000.jpg", "Trip", Kind::kNumber, 1000},
        SuffixCase{"base_ends_at_first_dot", "Trip012.old.jpg", "Trip", Kind::kNumber, 12},
        SuffixCase{"long_zero_padding", "Trip000000000000042.jpg", "Trip", Kind::kNumber, 42},
        SuffixCase{"largest_value", "Trip2147483647.jpg", "Trip", Kind::kNumber, 2147483647},
        SuffixCase{"empty_stem_reads_whole_base", "0042.jpg", "", Kind::kNumber, 42},
        SuffixCase{"empty_suffix", "Trip.jpg", "Trip", Kind::kNoNumber},
        SuffixCase{"letters", "Tripod.jpg", "Trip", Kind::kNoNumber},
        SuffixCase{"minus_sign", "Trip-5.jpg", "Trip", Kind::kNoNumber},
        SuffixCase{"plus_sign", "Trip+5.jpg", "Trip", Kind::kNoNumber},
        SuffixCase{"blank_before_digits", "Trip 5.jpg", "Trip", Kind::kNoNumber},
        SuffixCase{"hexadecimal", "Trip0x1F.jpg", "Trip", Kind::kNoNumber},
        SuffixCase{"non_ascii_digit", "Trip\xd9\xa3.jpg", "Trip", Kind::kNoNumber},
        SuffixCase{"one_past_largest_value", "Trip2147483648.jpg", "Trip", Kind::kFailure},
        SuffixCase{"far_past_largest_value", "Trip99999999999999999999.jpg", "Trip",
                   Kind::kFailure},
        SuffixCase{"name_without_dot", "Trip001", "Trip", Kind::kFailure},
        SuffixCase{"stem_with_dot_makes_base_too_short", "Trip.2003001.jpg", "Trip.2003",
                   Kind::kFailure}),
    CaseName<testing::TestParamInfo<SuffixCase>>);

TEST(NumericSuffix, FailureNamesTheFileAndTheReason) {
  EXPECT_EQ(NumericSuffix("Trip2147483648.jpg", "Trip").failure,
            "Cannot read the number of 'Trip2147483648.jpg': Numerical result out of range");
}

struct HighestCase {
  const char* name;
  std::vector<std::string> names;
  const char* stem;
  std::int32_t highest;
  std::size_t failures = 0;
};

class HighestNumberTest : public testing::TestWithParam<HighestCase> {};

TEST_P(HighestNumberTest, CountsOnlyReadableNumbers) {
  const HighestNumberScan scan = HighestNumber(GetParam().names, GetParam().stem);
  EXPECT_EQ(scan.highest, GetParam().highest);
  EXPECT_EQ(scan.failures.size(), GetParam().failures);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HighestNumberTest,
    testing::Values(HighestCase{"empty_list_gives_zero", {}, "Trip", 0},
                    HighestCase{"largest_wins_whatever_the_order",
                                {"Trip001.jpg", "Trip009.jpg", "Trip.jpg", "Tripod.jpg",
                                 "Trip0100.jpg", "Trip005.jpg"},
                                "Trip",
                                100},
                    HighestCase{"signed_suffix_alone_gives_zero", {"Trip-5.jpg"}, "Trip", 0},
                    HighestCase{"too_large_value_is_reported_and_skipped",
                                {"Trip007.jpg", "Trip9999999999.jpg"},
                                "Trip",
                                7,
                                1},
                    HighestCase{"stem_with_dot_makes_every_name_fail",
                                {"Trip.2003001.jpg", "Trip.2003002.jpg", "Trip.2003.jpg"},
                                "Trip.2003",
                                0,
                                3}),
    CaseName<testing::TestParamInfo<HighestCase>>);

}  // namespace
}  // namespace varnoth
