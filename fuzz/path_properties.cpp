// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include "fuzz_input.h"
#include "properties.h"

namespace varnoth::fuzz {

namespace {

bool HasSlash(std::string_view text) {
  return text.find('/') != std::string_view::npos;
}

std::optional<std::string> BrokenFolderName(std::string_view path, const PathRules& rules) {
  const std::string folder = rules.folderNameOf(path);
  if (HasSlash(folder) || !path.ends_with(folder))
    return "FolderNameOf is not a slash-free end of the path";
  if (!HasSlash(path) && folder != path)
    return "FolderNameOf of a path without \"/\" is not the path";
  if (HasSlash(path) && path.size() - folder.size() - 1 != path.rfind('/'))
    return "FolderNameOf does not start right after the last \"/\"";
  return std::nullopt;
}

// Whether `name` names exactly one new entry directly below a directory, as the file system's
// own path grammar reads it: "/t/" + name, made lexically normal, must be "/t/" + name with
// `name` its last element. ".", ".." and anything with "/" fail; the empty answer is the user
// changing their mind and never reaches the rule.
bool OneEntryBelow(std::string_view name) {
  const std::filesystem::path joined = std::filesystem::path("/t/" + std::string(name));
  const std::filesystem::path normal = joined.lexically_normal();
  return normal == joined && normal.parent_path() == "/t" && normal.filename() == name;
}

std::optional<std::string> BrokenDirectoryRefusal(std::string_view name, const PathRules& rules) {
  if (name.empty() || name.find('\0') != std::string_view::npos)
    return std::nullopt;
  const DirectoryNameRefusal refusal = rules.refuseDirectoryName(name);
  if ((refusal == DirectoryNameRefusal::kNone) != OneEntryBelow(name))
    return "RefuseDirectoryName does not accept exactly the names of one entry below the target";
  if (refusal == DirectoryNameRefusal::kContainsSlash && !HasSlash(name))
    return "RefuseDirectoryName gives a slash as the reason for a name without one";
  return std::nullopt;
}

// A stem is accepted exactly when the names it gives are visible entries directly below the
// target: not empty, one entry below, no NUL (the system would cut the name there) and no leading
// "." (hidden, so no list would show them). A refusal gives a reason that holds.
std::optional<std::string> BrokenStemRefusal(std::string_view stem, const PathRules& rules) {
  const StemRefusal refusal = rules.refuseStem(stem);
  const std::string name = std::string(stem) + "001.jpg";
  const bool visibleEntry = !stem.empty() && OneEntryBelow(name) &&
                            name.find('\0') == std::string::npos && name.front() != '.';
  if ((refusal == StemRefusal::kNone) != visibleEntry)
    return "RefuseStem does not accept exactly the stems that give visible names in the target";
  const bool reasonHolds = [&] {
    switch (refusal) {
      case StemRefusal::kNone:
        return true;
      case StemRefusal::kEmpty:
        return stem.empty();
      case StemRefusal::kContainsSlash:
        return HasSlash(stem);
      case StemRefusal::kContainsNul:
        return stem.find('\0') != std::string_view::npos;
      case StemRefusal::kBeginsWithDot:
        return !stem.empty() && stem.front() == '.';
    }
    return false;
  }();
  if (!reasonHolds || (stem.empty() && refusal != StemRefusal::kEmpty))
    return "RefuseStem gives a reason that the stem does not have";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> BrokenPathProperty(std::string_view directory, std::string_view name,
                                              const PathRules& rules) {
  const std::string joined = rules.joinPath(directory, name);
  if (joined != std::string(directory) + "/" + std::string(name))
    return "JoinPath is not directory + \"/\" + name";
  if (!HasSlash(name) && rules.folderNameOf(joined) != name)
    return "FolderNameOf(JoinPath(d, n)) is not n for a name without \"/\"";
  for (const std::string_view path : {directory, name, std::string_view(joined)}) {
    if (auto broken = BrokenFolderName(path, rules))
      return broken;
  }

  for (const std::string_view answer : {directory, name}) {
    if (auto broken = BrokenDirectoryRefusal(answer, rules))
      return broken;
    if (auto broken = BrokenStemRefusal(answer, rules))
      return broken;
  }

  // An accepted stem with an extension without "/" must give a visible name one level below the
  // target: never ".", "..", a hidden name or a path that reaches elsewhere.
  if (rules.refuseStem(directory) == StemRefusal::kNone && !HasSlash(name)) {
    const std::string numbered = NumberedName(directory, NumberFromBytes(name), name);
    if (rules.refuseDirectoryName(numbered) != DirectoryNameRefusal::kNone ||
        numbered.front() == '.' || rules.folderNameOf(JoinPath("/t", numbered)) != numbered) {
      return "an accepted stem gives a name that is not one visible entry of the target";
    }
  }
  return std::nullopt;
}

}  // namespace varnoth::fuzz
