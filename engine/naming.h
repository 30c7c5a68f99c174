#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnoth {

// The string rules that turn a directory, a name stem and an extension into list patterns,
// numbers and new file names. Names and paths are byte strings; nothing here touches the disk.

// Everything after the last "/": "/" gives "", "/a/b" gives "b", a path without "/" is returned
// whole.
std::string FolderNameOf(std::string_view directoryPath);

// "*.jpg": the source list shows every file of the extension.
std::string SourcePattern(std::string_view extension);

// "Trip*.jpg": the target list shows the files that may already carry the stem and a number.
std::string TargetPattern(std::string_view stem, std::string_view extension);

// directory + "/" + name, without looking at the end of the directory ("/" gives "//name").
std::string JoinPath(std::string_view directory, std::string_view name);

// At least three digits, padded with zeros: 7 gives "007", 1000 gives "1000".
std::string NumberText(std::int32_t number);

// stem + NumberText(number) + "." + extension: "Trip013.jpg".
std::string NumberedName(std::string_view stem, std::int32_t number, std::string_view extension);

// What a target list name says about its number.
struct SuffixReading {
  enum class Kind { kNumber, kNoNumber, kFailure };
  Kind kind = Kind::kNoNumber;
  std::int32_t number = 0;  // set for kNumber
  std::string failure;      // set for kFailure: what could not be read, and why
};

// The number that a target list name (which begins with the stem) carries between the stem and
// its first ".". The suffix counts only when it is one or more ASCII digits. Fails on a name
// without ".", on a name whose part before the first "." is shorter than the stem, and on a value
// past 2147483647.
SuffixReading NumericSuffix(std::string_view name, std::string_view stem);

struct HighestNumberScan {
  std::int32_t highest = 0;
  std::vector<std::string> failures;  // one description per name whose number cannot be read
};

// The highest number that the names carry, 0 when none does; failing names do not count.
HighestNumberScan HighestNumber(std::span<const std::string> names, std::string_view stem);

}  // namespace varnoth
