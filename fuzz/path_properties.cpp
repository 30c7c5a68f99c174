// SPDX-License-Identifier: GPL-3.0-or-later
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

DirectoryNameRefusal ExpectedDirectoryRefusal(std::string_view name) {
  if (HasSlash(name))
    return DirectoryNameRefusal::kContainsSlash;
  if (name == "." || name == "..")
    return DirectoryNameRefusal::kDotOrDotDot;
  return DirectoryNameRefusal::kNone;
}

StemRefusal ExpectedStemRefusal(std::string_view stem) {
  if (stem.empty())
    return StemRefusal::kEmpty;
  if (HasSlash(stem))
    return StemRefusal::kContainsSlash;
  if (stem.find('\0') != std::string_view::npos)
    return StemRefusal::kContainsNul;
  if (stem.front() == '.')
    return StemRefusal::kBeginsWithDot;
  return StemRefusal::kNone;
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
    if (rules.refuseDirectoryName(answer) != ExpectedDirectoryRefusal(answer))
      return "RefuseDirectoryName does not refuse exactly \"/\", \".\" and \"..\"";
    if (rules.refuseStem(answer) != ExpectedStemRefusal(answer))
      return "RefuseStem does not give the first of empty, \"/\", leading \".\"";
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
