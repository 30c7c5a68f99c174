#include "engine/naming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnoth {
namespace {

struct FolderCase {
  const char* name;
  const char* path;
  const char* folder;
};

class FolderNameOfTest : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderNameOfTest, TakesTheLastComponent) {
  EXPECT_EQ(FolderNameOf(GetParam().path), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FolderNameOfTest,
    testing::Values(FolderCase{"root_gives_nothing", "/", ""},
                    FolderCase{"nested_directory_gives_its_own_name", "/a/b", "b"},
                    FolderCase{"path_without_slash_is_kept_whole", "Photos", "Photos"},
                    FolderCase{"name_with_blanks_and_dots_is_kept", "/home/x/Trip 2003.v2",
                               "Trip 2003.v2"},
                    FolderCase{"bytes_that_are_not_utf8_are_kept", "/p/Fotos\xe9", "Fotos\xe9"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PatternsAndPaths, AreBuiltWithoutLookingAtTheirParts) {
  EXPECT_EQ(SourcePattern("jpg"), "*.jpg");
  EXPECT_EQ(TargetPattern("Trip", "jpg"), "Trip*.jpg");
  EXPECT_EQ(JoinPath("/photos", "a.jpg"), "/photos/a.jpg");
  EXPECT_EQ(JoinPath("/", "a.jpg"), "//a.jpg");
}

struct NumberTextCase {
  const char* name;
  std::int32_t number;
  const char* text;
};

class NumberTextTest : public testing::TestWithParam<NumberTextCase> {};

TEST_P(NumberTextTest, HasAtLeastThreeDigits) {
  EXPECT_EQ(NumberText(GetParam().number), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Rules, NumberTextTest,
                         testing::Values(NumberTextCase{"one_digit_padded", 7, "007"},
                                         NumberTextCase{"two_digits_padded", 42, "042"},
                                         NumberTextCase{"three_digits_as_they_are", 999, "999"},
                                         NumberTextCase{"four_digits_not_cut", 1000, "1000"},
                                         NumberTextCase{"largest_number_whole", 2147483647,
                                                        "2147483647"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NumberedName, TakesTheExtensionAsGiven) {
  EXPECT_EQ(NumberedName("Trip", 13, "jpg"), "Trip013.jpg");
}

using Kind = SuffixReading::Kind;

struct SuffixCase {
  const char* name;
  const char* fileName;
  const char* stem;
  Kind kind;
  std::int32_t number;
};

class NumericSuffixTest : public testing::TestWithParam<SuffixCase> {};

TEST_P(NumericSuffixTest, ReadsTheDigitsBetweenStemAndFirstDot) {
  const SuffixReading reading = NumericSuffix(GetParam().fileName, GetParam().stem);
  EXPECT_EQ(reading.kind, GetParam().kind) << reading.failure;
  if (GetParam().kind == Kind::kNumber) {
    EXPECT_EQ(reading.number, GetParam().number);
  }
  EXPECT_EQ(reading.failure.empty(), GetParam().kind != Kind::kFailure);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, NumericSuffixTest,
    testing::Values(
        SuffixCase{"three_digits", "Trip001.jpg", "Trip", Kind::kNumber, 1},
        SuffixCase{"two_digits", "Trip17.jpg", "Trip", Kind::kNumber, 17},
        SuffixCase{"four_digits_read_back", "Trip1000.jpg", "Trip", Kind::kNumber, 1000},
        SuffixCase{"base_ends_at_first_dot", "Trip012.old.jpg", "Trip", Kind::kNumber, 12},
        SuffixCase{"long_zero_padding", "Trip00000000000000000042.jpg", "Trip", Kind::kNumber, 42},
        SuffixCase{"largest_value", "Trip2147483647.jpg", "Trip", Kind::kNumber, 2147483647},
        SuffixCase{"empty_suffix", "Trip.jpg", "Trip", Kind::kNoNumber, 0},
        SuffixCase{"letters", "Tripod.jpg", "Trip", Kind::kNoNumber, 0},
        SuffixCase{"minus_sign", "Trip-5.jpg", "Trip", Kind::kNoNumber, 0},
        SuffixCase{"plus_sign", "Trip+5.jpg", "Trip", Kind::kNoNumber, 0},
        SuffixCase{"blank_before_digits", "Trip 5.jpg", "Trip", Kind::kNoNumber, 0},
        SuffixCase{"hexadecimal", "Trip0x1F.jpg", "Trip", Kind::kNoNumber, 0},
        SuffixCase{"digits_then_letter", "Trip5a.jpg", "Trip", Kind::kNoNumber, 0},
        SuffixCase{"non_ascii_digit", "Trip\xd9\xa3.jpg", "Trip", Kind::kNoNumber, 0},
        SuffixCase{"empty_stem_reads_whole_base", "0042.jpg", "", Kind::kNumber, 42},
        SuffixCase{"one_past_the_largest_value", "Trip2147483648.jpg", "Trip", Kind::kFailure, 0},
        SuffixCase{"far_past_the_largest_value", "Trip99999999999999999999.jpg", "Trip",
                   Kind::kFailure, 0},
        SuffixCase{"name_without_dot", "Trip001", "Trip", Kind::kFailure, 0},
        SuffixCase{"stem_with_dot_makes_base_too_short", "Trip.2003001.jpg", "Trip.2003",
                   Kind::kFailure, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NumericSuffix, FailureNamesTheFileAndTheReason) {
  EXPECT_EQ(NumericSuffix("Trip2147483648.jpg", "Trip").failure,
            "Cannot read the number of 'Trip2147483648.jpg': Numerical result out of range");
  EXPECT_EQ(NumericSuffix("Trip001", "Trip").failure,
            "Cannot read the number of 'Trip001': the name has no \".\"");
}

struct HighestCase {
  const char* name;
  std::vector<std::string> names;
  const char* stem;
  std::int32_t highest;
  std::size_t failures;
};

class HighestNumberTest : public testing::TestWithParam<HighestCase> {};

TEST_P(HighestNumberTest, CountsOnlyReadableNumbers) {
  const HighestNumberScan scan = HighestNumber(GetParam().names, GetParam().stem);
  EXPECT_EQ(scan.highest, GetParam().highest);
  EXPECT_EQ(scan.failures.size(), GetParam().failures);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HighestNumberTest,
    testing::Values(HighestCase{"empty_list_gives_zero", {}, "Trip", 0, 0},
                    HighestCase{
                        "largest_wins_over_list_order",
                        {"Trip001.jpg", "Trip009.jpg", "Trip.jpg", "Tripod.jpg", "Trip0100.jpg"},
                        "Trip",
                        100,
                        0},
                    HighestCase{"later_smaller_number_does_not_lower_it",
                                {"Trip120.jpg", "Trip005.jpg"},
                                "Trip",
                                120,
                                0},
                    HighestCase{"signed_suffix_alone_gives_zero", {"Trip-5.jpg"}, "Trip", 0, 0},
                    HighestCase{"value_too_large_is_reported_and_skipped",
                                {"Trip007.jpg", "Trip9999999999.jpg"},
                                "Trip",
                                7,
                                1},
                    HighestCase{"stem_with_dot_makes_every_name_fail",
                                {"Trip.2003001.jpg", "Trip.2003002.jpg", "Trip.2003.jpg"},
                                "Trip.2003",
                                0,
                                3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnoth
