// SPDX-License-Identifier: GPL-3.0-or-later
#include "naming.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <system_error>

namespace varnoth {

std::string FolderNameOf(std::string_view directoryPath) {
  const auto slash = directoryPath.rfind(kPathSeparator);
  if (slash == std::string_view::npos)
    return std::string(directoryPath);
  return std::string(directoryPath.substr(slash + 1));
}

std::string SourcePattern(std::string_view extension) {
  std::string pattern = "*.";
  pattern += extension;
  return pattern;
}

std::string TargetPattern(std::string_view stem, std::string_view extension) {
  std::string pattern(stem);
  pattern += "*.";
  pattern += extension;
  return pattern;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path;
  path.reserve(directory.size() + 1 + name.size());
  path += directory;
  path += kPathSeparator;
  path += name;
  return path;
}

std::string NumberText(std::int32_t number) {
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%03" PRId32, number);
  return std::string(text, static_cast<std::size_t>(length));
}

std::string NumberedName(std::string_view stem, std::int32_t number, std::string_view extension) {
  std::string name(stem);
  name += NumberText(number);
  name += '.';
  name += extension;
  return name;
}

StemRefusal RefuseStem(std::string_view stem) {
  if (stem.empty())
    return StemRefusal::kEmpty;
  if (stem.find_first_of(kNameBreakers) != std::string_view::npos)
    return StemRefusal::kContainsSlash;
  if (stem.find('\0') != std::string_view::npos)
    return StemRefusal::kContainsNul;
  if (stem.front() == '.')
    return StemRefusal::kBeginsWithDot;
  return StemRefusal::kNone;
}

DirectoryNameRefusal RefuseDirectoryName(std::string_view name) {
  if (name.find_first_of(kNameBreakers) != std::string_view::npos)
    return DirectoryNameRefusal::kContainsSlash;
  if (name.find('\0') != std::string_view::npos)
    return DirectoryNameRefusal::kContainsNul;
  if (name == "." || name == "..")
    return DirectoryNameRefusal::kDotOrDotDot;
  return DirectoryNameRefusal::kNone;
}

namespace {

SuffixReading Failure(SuffixFailure reason) {
  SuffixReading reading;
  reading.kind = SuffixReading::Kind::kFailure;
  reading.failure = reason;
  return reading;
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

SuffixReading NumericSuffix(std::string_view name, std::string_view stem) {
  const auto dot = name.find('.');
  if (dot == std::string_view::npos)
    return Failure(SuffixFailure::kNoDot);
  const std::string_view base = name.substr(0, dot);
  if (base.size() < stem.size())
    return Failure(SuffixFailure::kBaseShorterThanStem);
  const std::string_view suffix = base.substr(stem.size());
  // from_chars alone would also take a leading "-"; only plain digit runs are numbers here.
  if (suffix.empty() || !std::all_of(suffix.begin(), suffix.end(), IsAsciiDigit))
    return {};

  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(suffix.data(), suffix.data() + suffix.size(), value);
  if (error != std::errc())
    return Failure(SuffixFailure::kOutOfRange);
  SuffixReading reading;
  reading.kind = SuffixReading::Kind::kNumber;
  reading.number = value;
  return reading;
}

HighestNumberScan HighestNumber(std::span<const std::string> names, std::string_view stem) {
  HighestNumberScan scan;
  for (const auto& name : names) {
    const SuffixReading reading = NumericSuffix(name, stem);
    if (reading.kind == SuffixReading::Kind::kFailure) {
      scan.failures.push_back({name, reading.failure});
    } else if (reading.kind == SuffixReading::Kind::kNumber) {
      scan.highest = std::max(scan.highest, reading.number);
    }
  }
  return scan;
}

}  // namespace varnoth
