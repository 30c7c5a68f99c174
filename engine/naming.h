// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ports/path_separator.h"

namespace varnoth {

// The string rules that turn a directory, a name stem and an extension into list patterns,
// numbers and new file names. Names and paths are byte strings; nothing here touches the disk.

// Everything after the last separator: "/" gives "", "/a/b" gives "b", a path without one is
// returned whole.
std::string FolderNameOf(std::string_view directoryPath);

// "*.jpg": the source list shows every file of the extension.
std::string SourcePattern(std::string_view extension);

// "Trip*.jpg": the target list shows the files that may already carry the stem and a number.
std::string TargetPattern(std::string_view stem, std::string_view extension);

// directory + separator + name, without looking at the end of the directory ("/" gives "//name",
// "C:\" gives "C:\\name").
std::string JoinPath(std::string_view directory, std::string_view name);

// At least three digits, padded with zeros: 7 gives "007", 1000 gives "1000".
std::string NumberText(std::int32_t number);

// stem + NumberText(number) + "." + extension: "Trip013.jpg".
std::string NumberedName(std::string_view stem, std::int32_t number, std::string_view extension);

// Why a stem cannot name new files; kNone when it can.
enum class StemRefusal {
  kNone,
  kEmpty,
  kContainsSlash,  // the new names would be paths that leave the target directory (kNameBreakers)
  kContainsNul,    // no file name can hold one, but pasted text can
  kBeginsWithDot,  // the new names would be hidden, so no list would ever show them
};
StemRefusal RefuseStem(std::string_view stem);

// Why an answer cannot name a new directory one level below the target; kNone when it can.
enum class DirectoryNameRefusal {
  kNone,
  kContainsSlash,  // would reach elsewhere or several levels down
  kDotOrDotDot,    // names a directory that exists already
  kContainsNul,    // the system would cut the name there and make another directory
};
DirectoryNameRefusal RefuseDirectoryName(std::string_view name);

// Why the number of a target list name cannot be read.
enum class SuffixFailure {
  kNone,
  kNoDot,
  kBaseShorterThanStem,
  kOutOfRange,
};

// What a target list name says about its number.
struct SuffixReading {
  enum class Kind { kNumber, kNoNumber, kFailure };
  Kind kind = Kind::kNoNumber;
  std::int32_t number = 0;                       // set for kNumber
  SuffixFailure failure = SuffixFailure::kNone;  // set for kFailure
};

// A target list name whose number cannot be read, and why.
struct UnreadableNumber {
  std::string name;
  SuffixFailure reason = SuffixFailure::kNone;
};

// The number that a target list name (which begins with the stem) carries between the stem and
// its first ".". The suffix counts only when it is one or more ASCII digits. Fails on a name
// without ".", on a name whose part before the first "." is shorter than the stem, and on a value
// past 2147483647.
SuffixReading NumericSuffix(std::string_view name, std::string_view stem);

struct HighestNumberScan {
  std::int32_t highest = 0;
  std::vector<UnreadableNumber> failures;  // in list order
};

// The highest number that the names carry, 0 when none does; failing names do not count.
HighestNumberScan HighestNumber(std::span<const std::string> names, std::string_view stem);

}  // namespace varnoth
