// SPDX-License-Identifier: GPL-3.0-or-later
#include "failure_text.h"

#include "directory_snapshot.h"
#include "unanswered_folders.h"

namespace varnoth {

namespace {

constexpr const char* kConvertFailure = "Failure converting file. ";
constexpr const char* kDriveFailure = "Drive failure. ";
constexpr const char* kDirectoryFailure = "Directory failure. ";
constexpr const char* kMakeDirectoryFailure = "Failure creating directory. ";

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

// "'IMG_0042.jpg' stays in '/media/nas/2024'"
std::string StaysWhereItWas(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return Quoted(path) + " stays where it was";
  return Quoted(path.substr(slash + 1)) + " stays in " +
         Quoted(slash == 0 ? "/" : path.substr(0, slash));
}

// The reason a step failed: the system's own, or why the program stopped waiting for it.
std::string Reason(std::error_code error) {
  if (const auto folder = UnansweredFolders::Instance().folderOf(error))
    return Quoted(*folder) + " does not answer";
  if (error == WaitError::kListingTooLong) {
    return "its listing goes on past " + std::to_string(kMaxListingBytes >> 20) +
           " MiB of names without ending";
  }
  return error.message();
}

// "Cannot read '/media/card': No such file or directory"
std::string Describe(const char* action, const std::string& path, std::error_code error) {
  std::string text = action;
  if (!path.empty())
    text += " " + Quoted(path);
  return text + ": " + Reason(error);
}

std::string StemRefusalText(StemRefusal refusal) {
  switch (refusal) {
    case StemRefusal::kEmpty:
      return "Please enter new file name";
    case StemRefusal::kContainsSlash:
      return "The new file name must not contain \"/\".";
    case StemRefusal::kContainsNul:
      return "The new file name must not contain a NUL character.";
    case StemRefusal::kBeginsWithDot:
      return "The new file name must not begin with \".\".";
    case StemRefusal::kNone:
      break;
  }
  return {};
}

std::string SuffixFailureText(SuffixFailure failure) {
  switch (failure) {
    case SuffixFailure::kNoDot:
      return "the name has no \".\"";
    case SuffixFailure::kBaseShorterThanStem:
      return "the part before its first \".\" is shorter than the name stem";
    case SuffixFailure::kOutOfRange:
      return std::make_error_code(std::errc::result_out_of_range).message();
    case SuffixFailure::kNone:
      break;
  }
  return {};
}

// A copy step that failed for a reason of the program's own says what became of the file.
std::string CopyFailureDescription(const RunFailure& failure) {
  const std::string& from = failure.path;
  const std::string& to = failure.otherPath;
  if (failure.error == WaitError::kClosing)
    return StaysWhereItWas(from) + "; the files before it were moved";
  if (failure.error == MoveError::kNotRegularFile)
    return Quoted(from) + " is no longer a regular file; it was left where it is";
  if (failure.error == MoveError::kChangedWhileCopying) {
    return Quoted(from) + " changed while it was being copied to " + Quoted(to) +
           "; it was kept and the copy removed";
  }
  if (failure.error == MoveError::kReplacedPutBack)
    return Quoted(from) + " was replaced while it was being moved; it was put back";
  if (failure.error == MoveError::kReplacedNotPutBack) {
    return Quoted(from) + " was replaced while it was being moved; what took its place is now " +
           Quoted(to);
  }
  if (failure.error == MoveError::kSizeDisagrees) {
    return Quoted(from) + " holds more or fewer bytes than its size says; it was kept and the " +
           "copy removed";
  }
  if (failure.error == MoveError::kCopyNotDurable) {
    return "Cannot make sure that " + Quoted(to) + " is safely on disk; the copy exists and " +
           Quoted(from) + " was kept";
  }
  return "Cannot copy " + Quoted(from) + " to " + Quoted(to) + ": " + Reason(failure.error);
}

std::string RunFailureDescription(const RunFailure& failure) {
  switch (failure.step) {
    case RunFailure::Step::kListTargets:
      return "Cannot list " + Quoted(failure.path) + " with the pattern " +
             Quoted(failure.otherPath) + ": " + Reason(failure.error);
    case RunFailure::Step::kReadNumber:
      return "Cannot read the number of " + Quoted(failure.path) + ": " +
             SuffixFailureText(failure.suffixFailure);
    case RunFailure::Step::kNumberPastMax:
      return "Cannot give " + Quoted(failure.path) +
             " a number past 2147483647: " + Reason(failure.error);
    case RunFailure::Step::kCopy:
      return CopyFailureDescription(failure);
    case RunFailure::Step::kDelete:
      return "Cannot delete " + Quoted(failure.path) + " after copying it to " +
             Quoted(failure.otherPath) + ": " + Reason(failure.error);
    case RunFailure::Step::kRefreshList:
      return Describe("Cannot list", failure.path, failure.error);
    case RunFailure::Step::kOpenFolder:
      return Describe("Cannot open", failure.path, failure.error) + "; nothing was moved";
    case RunFailure::Step::kFolderChanged:
      return "The folder " + Quoted(failure.path) +
             " changed since it was listed; nothing was moved";
    case RunFailure::Step::kStem:
      break;
  }
  return {};
}

}  // namespace

std::string RunFailureText(const RunFailure& failure) {
  if (failure.step == RunFailure::Step::kStem)
    return StemRefusalText(failure.stemRefusal);
  return kConvertFailure + RunFailureDescription(failure) + ".";
}

std::string HandlerFailureText(HandlerLeadIn leadIn, const std::string& path,
                               std::error_code error) {
  const char* lead = leadIn == HandlerLeadIn::kDrive ? kDriveFailure : kDirectoryFailure;
  return lead + Describe("Cannot read", path, error) + ".";
}

std::string OpenDirectoryFailureText(const std::string& path, std::error_code error) {
  return kDirectoryFailure + Describe("Cannot open", path, error) + ".";
}

std::string DirectoryNameRefusalText(DirectoryNameRefusal refusal) {
  switch (refusal) {
    case DirectoryNameRefusal::kContainsSlash:
      return std::string(kMakeDirectoryFailure) + "The name must not contain \"/\".";
    case DirectoryNameRefusal::kDotOrDotDot:
      return std::string(kMakeDirectoryFailure) + "The name must not be \".\" or \"..\".";
    case DirectoryNameRefusal::kNone:
      break;
  }
  return {};
}

std::string MakeDirectoryFailureText(const std::string& path, std::error_code error) {
  return kMakeDirectoryFailure + Describe("Cannot create", path, error) + ".";
}

}  // namespace varnoth
