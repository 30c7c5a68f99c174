// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "fuzz_input.h"
#include "properties.h"

namespace varnoth::fuzz {

namespace {

constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();

SuffixReading Failed(SuffixFailure reason) {
  SuffixReading reading;
  reading.kind = SuffixReading::Kind::kFailure;
  reading.failure = reason;
  return reading;
}

// The rule as it is worded, worked out another way than the code: the base is what a stream
// gives up to the first ".", the suffix is the base's last (base length - stem length)
// characters, a number is a run of ASCII digits, and its value fits when, without its leading
// zeros, it is shorter than "2147483647" or no greater at the same length.
SuffixReading ExpectedReading(std::string_view name, std::string_view stem) {
  std::istringstream stream{std::string(name)};
  std::string base;
  std::getline(stream, base, '.');
  if (stream.eof())
    return Failed(SuffixFailure::kNoDot);
  if (base.size() < stem.size())
    return Failed(SuffixFailure::kBaseShorterThanStem);
  const std::size_t suffixLength = base.size() - stem.size();
  const std::string suffix = base.substr(base.size() - suffixLength);
  if (suffix.empty() || suffix.find_first_not_of("0123456789") != std::string::npos)
    return {};
  const std::string significant =
      suffix.substr(std::min(suffix.find_first_not_of('0'), suffix.size()));
  const std::string largest = std::to_string(kLargest);
  if (significant.size() > largest.size() ||
      (significant.size() == largest.size() && significant > largest)) {
    return Failed(SuffixFailure::kOutOfRange);
  }
  SuffixReading reading;
  reading.kind = SuffixReading::Kind::kNumber;
  reading.number = significant.empty() ? 0 : static_cast<std::int32_t>(std::stoll(significant));
  return reading;
}

bool SameReading(const SuffixReading& a, const SuffixReading& b) {
  if (a.kind != b.kind)
    return false;
  if (a.kind == SuffixReading::Kind::kNumber)
    return a.number == b.number;
  if (a.kind == SuffixReading::Kind::kFailure)
    return a.failure == b.failure;
  return true;
}

std::optional<std::string> BrokenRoundTrip(std::string_view stem, std::int32_t number,
                                           std::string_view extension,
                                           const NumberingRules& rules) {
  const std::string text = NumberText(number);
  std::string decimal = std::to_string(number);
  if (decimal.size() < 3)
    decimal.insert(0, 3 - decimal.size(), '0');
  if (text != decimal)
    return "NumberText(" + std::to_string(number) + ") is not its decimal padded to three: " + text;
  const SuffixReading reading = rules.numericSuffix(NumberedName(stem, number, extension), stem);
  if (reading.kind != SuffixReading::Kind::kNumber || reading.number != number) {
    return "NumberedName(stem, " + std::to_string(number) +
           ", piece) does not read back as its number";
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> BrokenNumberingProperty(std::string_view stem,
                                                   std::span<const std::string> names,
                                                   const NumberingRules& rules) {
  std::int32_t expectedHighest = 0;
  std::vector<UnreadableNumber> expectedFailures;
  for (const std::string& name : names) {
    const SuffixReading expected = ExpectedReading(name, stem);
    if (!SameReading(rules.numericSuffix(name, stem), expected))
      return "NumericSuffix differs from the digit-by-digit reading of \"" + Escaped(name) + "\"";
    if (expected.kind == SuffixReading::Kind::kNumber) {
      expectedHighest = std::max(expectedHighest, expected.number);
    } else if (expected.kind == SuffixReading::Kind::kFailure) {
      expectedFailures.push_back({name, expected.failure});
    }
  }

  const HighestNumberScan scan = rules.highestNumber(names, stem);
  if (scan.highest < 0)
    return "HighestNumber is negative";
  if (scan.highest != expectedHighest)
    return "HighestNumber is not the largest number read, or 0 without one";
  const bool sameFailures =
      std::equal(scan.failures.begin(), scan.failures.end(), expectedFailures.begin(),
                 expectedFailures.end(), [](const UnreadableNumber& a, const UnreadableNumber& b) {
                   return a.name == b.name && a.reason == b.reason;
                 });
  if (!sameFailures)
    return "HighestNumber's failures are not the failing names, in list order, with their reasons";

  // A stem with a "." cuts the name before the number, so only stems without one round-trip.
  if (stem.find('.') != std::string_view::npos)
    return std::nullopt;
  for (const std::int32_t number : {0, 7, 999, 1000, kLargest}) {
    if (auto broken = BrokenRoundTrip(stem, number, "jpg", rules))
      return broken;
  }
  for (const std::string& name : names) {
    if (auto broken = BrokenRoundTrip(stem, NumberFromBytes(name), name, rules))
      return broken;
    // A number the list already holds is one the run will write again, one higher.
    const SuffixReading reading = ExpectedReading(name, stem);
    if (reading.kind != SuffixReading::Kind::kNumber)
      continue;
    if (auto broken = BrokenRoundTrip(stem, reading.number, name, rules))
      return broken;
  }
  return std::nullopt;
}

}  // namespace varnoth::fuzz
