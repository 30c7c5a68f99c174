// SPDX-License-Identifier: GPL-3.0-or-later
#include "naming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace varnoth {
namespace {

auto RowName = [](const auto& info) { return std::string(info.param.name); };

// A path written with "/" in the platform's own separator, so one table holds on both systems.
std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', kPathSeparator);
  return path;
}

struct TextCase {
  const char* name;
  std::string actual;
  std::string expected;
};

class TextRule : public testing::TestWithParam<TextCase> {};

TEST_P(TextRule, GivesTheExpectedText) {
  EXPECT_EQ(GetParam().actual, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Naming, TextRule,
    testing::Values(
        TextCase{"root_has_an_empty_folder_name", FolderNameOf(Native("/")), ""},
        TextCase{"folder_name_is_the_last_component", FolderNameOf(Native("/a/b")), "b"},
        TextCase{"path_without_slash_is_its_own_folder_name", FolderNameOf("Photos"), "Photos"},
        TextCase{"source_pattern", SourcePattern("jpg"), "*.jpg"},
        TextCase{"target_pattern", TargetPattern("Trip", "jpg"), "Trip*.jpg"},
        TextCase{"join_at_root_doubles_the_slash", JoinPath(Native("/"), "a.jpg"),
                 Native("//a.jpg")},
        TextCase{"number_padded_to_three_digits", NumberText(7), "007"},
        TextCase{"four_digit_number_not_cut", NumberText(1000), "1000"},
        TextCase{"numbered_name", NumberedName("Trip", 13, "jpg"), "Trip013.jpg"}),
    RowName);

struct ScanCase {
  const char* name;
  std::vector<std::string> names;
  std::int32_t highest;
  std::size_t failures = 0;
  const char* stem = "Trip";
};

class HighestNumberScanTest : public testing::TestWithParam<ScanCase> {};

TEST_P(HighestNumberScanTest, CountsOnlyDigitSuffixesThatFit) {
  const HighestNumberScan scan = HighestNumber(GetParam().names, GetParam().stem);
  EXPECT_EQ(scan.highest, GetParam().highest);
  EXPECT_EQ(scan.failures.size(), GetParam().failures);
}

INSTANTIATE_TEST_SUITE_P(
    Naming, HighestNumberScanTest,
    testing::Values(
        ScanCase{"empty_list_gives_zero", {}, 0},
        ScanCase{
            "largest_wins_in_any_order",
            {"Trip001.jpg", "Trip009.jpg", "Trip.jpg", "Tripod.jpg", "Trip0100.jpg", "Trip005.jpg"},
            100},
        ScanCase{"base_ends_at_the_first_dot", {"Trip012.old.jpg"}, 12},
        ScanCase{"four_digits_read_back", {NumberedName("Trip", 1000, "jpg")}, 1000},
        ScanCase{"largest_value_read", {"Trip2147483647.jpg"}, 2147483647},
        ScanCase{"signs_blanks_and_other_digits_are_no_numbers",
                 {"Trip-5.jpg", "Trip+5.jpg", "Trip 5.jpg", "Trip0x1F.jpg", "Trip\xd9\xa3.jpg"},
                 0},
        ScanCase{
            "value_past_int32_reported_and_skipped", {"Trip007.jpg", "Trip2147483648.jpg"}, 7, 1},
        ScanCase{"name_without_dot_reported", {"Trip001"}, 0, 1},
        ScanCase{"stem_with_dot_makes_every_name_fail",
                 {"Trip.2003001.jpg", "Trip.2003.jpg"},
                 0,
                 2,
                 "Trip.2003"}),
    RowName);

TEST(NumericSuffix, TellsNumberNoNumberAndFailureApart) {
  EXPECT_EQ(NumericSuffix("Trip017.jpg", "Trip").number, 17);
  EXPECT_EQ(NumericSuffix("Tripod.jpg", "Trip").kind, SuffixReading::Kind::kNoNumber);
  EXPECT_EQ(NumericSuffix("Trip2147483648.jpg", "Trip").failure, SuffixFailure::kOutOfRange);
  EXPECT_EQ(NumericSuffix("Trip001", "Trip").failure, SuffixFailure::kNoDot);
  EXPECT_EQ(NumericSuffix("Tr.jpg", "Trip").failure, SuffixFailure::kBaseShorterThanStem);
}

TEST(NameRefusals, StemsAndDirectoryNamesThatWouldLeaveTheirDirectoryOrHideAreRefused) {
  EXPECT_EQ(RefuseStem(""), StemRefusal::kEmpty);
  EXPECT_EQ(RefuseStem("a/b"), StemRefusal::kContainsSlash);
  EXPECT_EQ(RefuseStem(".Trip"), StemRefusal::kBeginsWithDot);
  EXPECT_EQ(RefuseStem(std::string("Tr\0ip", 5)), StemRefusal::kContainsNul) << "pasted text";
  EXPECT_EQ(RefuseStem("Trip.2003"), StemRefusal::kNone) << "a dot inside is the user's choice";
  EXPECT_EQ(RefuseStem(" "), StemRefusal::kNone) << "blanks are used as typed";
  EXPECT_EQ(RefuseDirectoryName("2024/01"), DirectoryNameRefusal::kContainsSlash);
  EXPECT_EQ(RefuseDirectoryName(".."), DirectoryNameRefusal::kDotOrDotDot);
  EXPECT_EQ(RefuseDirectoryName(".hidden"), DirectoryNameRefusal::kNone);
  EXPECT_EQ(RefuseDirectoryName(std::string("New\0er", 6)), DirectoryNameRefusal::kContainsNul)
      << "pasted text would make a directory named up to the NUL";
#ifdef _WIN32
  // Windows reads both slashes as separators, and "a:b" as stream "b" of file "a".
  for (const char* name : {"a\\b", "a/b", "a:b"}) {
    EXPECT_EQ(RefuseStem(name), StemRefusal::kContainsSlash) << name;
    EXPECT_EQ(RefuseDirectoryName(name), DirectoryNameRefusal::kContainsSlash) << name;
  }
  EXPECT_EQ(JoinPath("C:\\", "a.jpg"), "C:\\\\a.jpg") << "the root's separator is doubled";
#endif
}

}  // namespace
}  // namespace varnoth
