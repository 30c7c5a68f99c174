// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "properties.h"

namespace varnoth::fuzz {
namespace {

auto RowName = [](const auto& info) { return std::string(info.param.name); };

struct SplitCase {
  const char* name;
  std::string input;
  std::vector<std::string> pieces;
};

class SplitAtNulTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitAtNulTest, CutsAtEveryNul) {
  const std::string& input = GetParam().input;
  EXPECT_EQ(SplitAtNul(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()),
            GetParam().pieces);
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    FuzzInput, SplitAtNulTest,
    testing::Values(SplitCase{"empty_input_is_one_empty_piece", "", {""}},
                    SplitCase{"no_nul_is_one_piece", "Trip", {"Trip"}},
                    SplitCase{"two_pieces", "Trip\0a.jpg"s, {"Trip", "a.jpg"}},
                    SplitCase{"trailing_nul_gives_an_empty_last_piece", "a\0"s, {"a", ""}},
                    SplitCase{"adjacent_nuls_give_empty_pieces", "\0\0"s, {"", "", ""}},
                    SplitCase{"high_bytes_kept", "\xff\0\x80"s, {"\xff", "\x80"}}),
    RowName);

struct MatchCase {
  const char* name;
  const char* file;
  const char* pattern;
  bool matches;
};

class ReferenceMatchTest : public testing::TestWithParam<MatchCase> {};

// The reference must itself be right, or it would hold the fast matcher to a wrong answer.
TEST_P(ReferenceMatchTest, AgreesWithTheHandWorkedAnswer) {
  EXPECT_EQ(ReferenceMatch(GetParam().file, GetParam().pattern), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    FuzzProperties, ReferenceMatchTest,
    testing::Values(MatchCase{"star_matches_empty", "", "*", true},
                    MatchCase{"empty_pattern_matches_only_empty", "a", "", false},
                    MatchCase{"case_ignored", "TRIP001.JPG", "trip*.jpg", true},
                    MatchCase{"anchors_may_not_overlap", "a", "a*a", false},
                    MatchCase{"later_piece_needs_a_later_place", "abcbd", "a*b*d", true},
                    MatchCase{"piece_missing", "abc", "a*x*c", false},
                    MatchCase{"question_mark_is_literal", "ab", "a?", false},
                    MatchCase{"bracket_is_literal", "[a].jpg", "[a]*", true},
                    MatchCase{"high_bytes_not_folded", "\xc3\x89", "\xc3\xa9", false}),
    RowName);

using Check = std::function<std::optional<std::string>()>;

struct CheckCase {
  const char* name;
  Check check;
};

class RealRulesTest : public testing::TestWithParam<CheckCase> {};

TEST_P(RealRulesTest, HoldEveryProperty) {
  const std::optional<std::string> broken = GetParam().check();
  EXPECT_FALSE(broken.has_value()) << *broken;
}

const std::vector<std::string> kHostileNames = {"Trip-5.jpg",
                                                "Trip+5.jpg",
                                                "Trip 5.jpg",
                                                "Trip2147483647.jpg",
                                                "Trip2147483648.jpg",
                                                "Trip.jpg",
                                                "Tri.jpg",
                                                "Trip",
                                                "Trip00000000000000000012.jpg",
                                                "Trip0x1.jpg",
                                                "TRIP9.JPG",
                                                "",
                                                "\xff\xfe.\x80"};

INSTANTIATE_TEST_SUITE_P(
    FuzzProperties, RealRulesTest,
    testing::Values(
        CheckCase{"numbering_of_hostile_names",
                  [] { return BrokenNumberingProperty("Trip", kHostileNames); }},
        CheckCase{"numbering_with_a_dotted_stem",
                  [] { return BrokenNumberingProperty("Trip.2003", kHostileNames); }},
        CheckCase{"wildcard_with_stars_and_literals",
                  [] { return BrokenWildcardProperty("t*?[*.JPG", kHostileNames); }},
        CheckCase{"wildcard_with_only_stars",
                  [] { return BrokenWildcardProperty("***", kHostileNames); }},
        CheckCase{"order_of_long_digit_runs",
                  [] { return BrokenOrderProperty("a99999999999999999999", "a1", "A01"); }},
        CheckCase{"order_of_case_twins", [] { return BrokenOrderProperty("b", "B", "a"); }},
        CheckCase{"sort_of_names_alike_past_sixteen_key_bytes",
                  [] {
                    return BrokenSortProperty(
                        {{"IMG_2024-06-01_0010", "img_2024-06-01_009", "IMG_2024-06-01_09",
                          "IMG_2024-06-01_0009", "IMG_2024-06-01_", "", "IMG_2024-06-01_9x"}});
                  }},
        CheckCase{"paths_at_root", [] { return BrokenPathProperty("/", "a.jpg"); }},
        CheckCase{"paths_of_dot_dot", [] { return BrokenPathProperty("..", "."); }},
        CheckCase{"display_of_an_override_and_a_bad_byte",
                  [] { return BrokenDisplayProperty("holiday\u202Egnp.jpg", "bad\xff.jpg"); }},
        CheckCase{"display_of_an_escape_lookalike",
                  [] { return BrokenDisplayProperty("bad\\xFF.jpg", "bad\xff.jpg"); }},
        CheckCase{"wide_names_with_lone_surrogates",
                  [] {
                    return BrokenWideNameProperty(
                        std::string("\x3D\xD8"
                                    "a\x00\xED\xA0\x80",
                                    7));
                  }}),
    RowName);

class FaultyRulesTest : public testing::TestWithParam<CheckCase> {};

TEST_P(FaultyRulesTest, AreCaught) {
  EXPECT_TRUE(GetParam().check().has_value());
}

// The usual UTF-16 to UTF-8 conversion: a surrogate without its partner becomes U+FFFD.
std::string LoneSurrogateReplaced(std::u16string_view wide) {
  std::u16string valid(wide);
  for (std::size_t i = 0; i < valid.size(); ++i) {
    const bool lead = valid[i] >= 0xD800 && valid[i] <= 0xDBFF;
    const bool trail = valid[i] >= 0xDC00 && valid[i] <= 0xDFFF;
    if (lead && i + 1 < valid.size() && valid[i + 1] >= 0xDC00 && valid[i + 1] <= 0xDFFF)
      ++i;
    else if (lead || trail)
      valid[i] = u'\uFFFD';
  }
  return BytesFromWide(valid);
}

// What std::from_chars alone would read: a leading "-" included.
SuffixReading ReadWithSign(std::string_view name, std::string_view stem) {
  const std::string_view base = name.substr(0, name.find('.'));
  SuffixReading reading;
  const auto [end, error] =
      std::from_chars(base.data() + stem.size(), base.data() + base.size(), reading.number);
  if (error == std::errc() && end == base.data() + base.size())
    reading.kind = SuffixReading::Kind::kNumber;
  return reading;
}

// Digits accumulated without a range check wrap around.
SuffixReading ReadWrapping(std::string_view name, std::string_view stem) {
  const std::string_view base = name.substr(0, name.find('.'));
  std::uint32_t value = 0;
  for (const char c : base.substr(stem.size()))
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  SuffixReading reading;
  reading.kind = SuffixReading::Kind::kNumber;
  reading.number = static_cast<std::int32_t>(value);
  return reading;
}

HighestNumberScan LastNumberWins(std::span<const std::string> names, std::string_view stem) {
  HighestNumberScan scan = HighestNumber(names, stem);
  for (const std::string& name : names) {
    if (const SuffixReading r = NumericSuffix(name, stem); r.kind == SuffixReading::Kind::kNumber)
      scan.highest = r.number;
  }
  return scan;
}

HighestNumberScan FailuresDropped(std::span<const std::string> names, std::string_view stem) {
  HighestNumberScan scan = HighestNumber(names, stem);
  scan.failures.clear();
  return scan;
}

bool CaseSensitiveWithoutStars(std::string_view name, std::string_view pattern) {
  if (pattern.find('*') == std::string_view::npos)
    return name == pattern;
  return MatchesPattern(name, pattern);
}

// Checks both anchors but not that they fit side by side.
bool AnchorsMayOverlap(std::string_view name, std::string_view pattern) {
  const std::size_t first = pattern.find('*');
  if (first == std::string_view::npos)
    return MatchesPattern(name, pattern);
  return name.starts_with(pattern.substr(0, first)) &&
         name.ends_with(pattern.substr(pattern.rfind('*') + 1));
}

int FoldedBytesOnly(std::string_view a, std::string_view b) {
  return AsciiLower(a).compare(AsciiLower(b));
}

// The byte tie-break left out: names differing only in case compare equal.
int CaseTwinsEqual(std::string_view a, std::string_view b) {
  return AsciiLower(a) == AsciiLower(b) ? 0 : NaturalCompare(a, b);
}

int PlainBytes(std::string_view a, std::string_view b) {
  return a.compare(b);
}

void SortByBytes(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end());
}

std::string FolderAfterFirstSlash(std::string_view path) {
  return std::string(path.substr(path.find('/') + 1));
}

DirectoryNameRefusal DotDotAllowed(std::string_view name) {
  return name == ".." ? DirectoryNameRefusal::kNone : RefuseDirectoryName(name);
}

StemRefusal HiddenStemAllowed(std::string_view stem) {
  const StemRefusal refusal = RefuseStem(stem);
  return refusal == StemRefusal::kBeginsWithDot ? StemRefusal::kNone : refusal;
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  std::size_t at = 0;
  while ((at = text.find(from, at)) != std::string::npos) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// As a plain UTF-8 conversion shows them: bad bytes become replacement characters.
std::string BadBytesReplaced(std::string_view name) {
  return Replaced(Replaced(DisplayName(name), "\\xFF", "\uFFFD"), "\\xFE", "\uFFFD");
}

std::string BackslashLeftAlone(std::string_view name) {
  return Replaced(DisplayName(name), "\\\\", "\\");
}

std::string OverrideShown(std::string_view name) {
  return Replaced(DisplayName(name), "\\u202E", "\u202E");
}

INSTANTIATE_TEST_SUITE_P(
    FuzzProperties, FaultyRulesTest,
    testing::Values(
        CheckCase{"suffix_read_with_a_sign",
                  [] {
                    return BrokenNumberingProperty("Trip", {{"Trip-5.jpg"}},
                                                   {.numericSuffix = ReadWithSign});
                  }},
        CheckCase{"suffix_read_wrapping_around",
                  [] {
                    return BrokenNumberingProperty("Trip", {{"Trip4294967297.jpg"}},
                                                   {.numericSuffix = ReadWrapping});
                  }},
        CheckCase{"last_number_taken_for_the_highest",
                  [] {
                    return BrokenNumberingProperty("Trip", {{"Trip9.jpg", "Trip2.jpg"}},
                                                   {.highestNumber = LastNumberWins});
                  }},
        CheckCase{"unreadable_names_not_reported",
                  [] {
                    return BrokenNumberingProperty("Trip", {{"Trip"}},
                                                   {.highestNumber = FailuresDropped});
                  }},
        CheckCase{"pattern_without_star_matched_with_case",
                  [] {
                    return BrokenWildcardProperty("trip.jpg", {{"TRIP.JPG"}},
                                                  {CaseSensitiveWithoutStars});
                  }},
        CheckCase{"overlapping_anchors",
                  [] { return BrokenWildcardProperty("a*a", {{"a"}}, {AnchorsMayOverlap}); }},
        CheckCase{
            "no_tie_break_between_case_twins",
            [] { return BrokenOrderProperty("a", "A", "b", {.naturalCompare = FoldedBytesOnly}); }},
        CheckCase{"case_twins_made_from_one_name",
                  [] {
                    return BrokenOrderProperty("Scan1", "x", "y",
                                               {.naturalCompare = CaseTwinsEqual});
                  }},
        CheckCase{
            "digit_runs_compared_as_text",
            [] { return BrokenOrderProperty("a2", "a10", "b", {.naturalCompare = PlainBytes}); }},
        CheckCase{
            "sorted_by_bytes",
            [] {
              return BrokenSortProperty({{"a10", "a2", "a1"}}, {.sortNaturally = SortByBytes});
            }},
        CheckCase{"folder_name_after_the_first_slash",
                  [] {
                    return BrokenPathProperty("/home/me", "a.jpg",
                                              {.folderNameOf = FolderAfterFirstSlash});
                  }},
        CheckCase{
            "dot_dot_accepted_as_directory_name",
            [] { return BrokenPathProperty("..", "x", {.refuseDirectoryName = DotDotAllowed}); }},
        CheckCase{
            "hidden_stem_accepted",
            [] { return BrokenPathProperty(".Trip", "jpg", {.refuseStem = HiddenStemAllowed}); }},
        CheckCase{"bad_bytes_shown_as_replacement_characters",
                  [] { return BrokenDisplayProperty("bad\xff", "bad\xfe", {BadBytesReplaced}); }},
        CheckCase{"backslash_not_escaped",
                  [] { return BrokenDisplayProperty("a\\b", "", {BackslashLeftAlone}); }},
        CheckCase{"direction_override_shown",
                  [] { return BrokenDisplayProperty("a\u202Eb", "", {OverrideShown}); }},
        CheckCase{"lone_surrogate_replaced",
                  [] {
                    return BrokenWideNameProperty(std::string("\x3D\xD8", 2),
                                                  {.bytesFromWide = LoneSurrogateReplaced});
                  }}),
    RowName);

}  // namespace
}  // namespace varnoth::fuzz
