// SPDX-License-Identifier: GPL-3.0-or-later
#include "failure_text.h"

#include <QCoreApplication>

#include "directory_snapshot.h"
#include "display_name.h"
#include "unanswered_folders.h"

namespace varnoth {

namespace {

// The texts are translated; the names and the system's reasons in them are shown as they are.
std::string Tr(const char* text) {
  return QCoreApplication::translate("FailureText", text).toStdString();
}

// The text with %1, %2, ... replaced in one pass, so a name holding "%2" stays as it is.
template <typename... Texts>
std::string Fill(const char* text, const Texts&... parts) {
  return QCoreApplication::translate("FailureText", text)
      .arg(QString::fromStdString(parts)...)
      .toStdString();
}

// A name in a sentence: visible whatever its bytes, and isolated so that it cannot reorder the
// words around it.
std::string Quoted(const std::string& path) {
  return "'" + IsolatedName(path) + "'";
}

// "'IMG_0042.jpg' stays in '/media/nas/2024'; the files before it were moved"
std::string StaysWhereItWas(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    return Fill(
        QT_TRANSLATE_NOOP("FailureText", "%1 stays where it was; the files before it were moved"),
        Quoted(path));
  }
  return Fill(QT_TRANSLATE_NOOP("FailureText", "%1 stays in %2; the files before it were moved"),
              Quoted(path.substr(slash + 1)), Quoted(slash == 0 ? "/" : path.substr(0, slash)));
}

// The reason a step failed: the system's own, or why the program stopped waiting for it.
std::string Reason(std::error_code error) {
  if (const auto folder = UnansweredFolders::Instance().folderOf(error))
    return Fill(QT_TRANSLATE_NOOP("FailureText", "%1 does not answer"), Quoted(*folder));
  if (error == WaitError::kListingTooLong) {
    return Fill(
        QT_TRANSLATE_NOOP("FailureText", "its listing goes on past %1 MiB of names without ending"),
        std::to_string(MaxListingBytes() >> 20));
  }
  return error.message();
}

// "Cannot read '/media/card': No such file or directory"
std::string Describe(const char* action, const char* actionOnPath, const std::string& path,
                     std::error_code error) {
  if (path.empty())
    return Fill(action, Reason(error));
  return Fill(actionOnPath, Quoted(path), Reason(error));
}

std::string StemRefusalText(StemRefusal refusal) {
  switch (refusal) {
    case StemRefusal::kEmpty:
      return Tr(QT_TRANSLATE_NOOP("FailureText", "Please enter new file name"));
    case StemRefusal::kContainsSlash:
      return Tr(QT_TRANSLATE_NOOP("FailureText", "The new file name must not contain \"/\"."));
    case StemRefusal::kContainsNul:
      return Tr(
          QT_TRANSLATE_NOOP("FailureText", "The new file name must not contain a NUL character."));
    case StemRefusal::kBeginsWithDot:
      return Tr(QT_TRANSLATE_NOOP("FailureText", "The new file name must not begin with \".\"."));
    case StemRefusal::kNone:
      break;
  }
  return {};
}

std::string SuffixFailureText(SuffixFailure failure) {
  switch (failure) {
    case SuffixFailure::kNoDot:
      return Tr(QT_TRANSLATE_NOOP("FailureText", "the name has no \".\""));
    case SuffixFailure::kBaseShorterThanStem:
      return Tr(QT_TRANSLATE_NOOP("FailureText",
                                  "the part before its first \".\" is shorter than the name stem"));
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
    return StaysWhereItWas(from);
  if (failure.error == MoveError::kNotRegularFile)
    return Fill(
        QT_TRANSLATE_NOOP("FailureText", "%1 is no longer a regular file; it was left where it is"),
        Quoted(from));
  if (failure.error == MoveError::kChangedWhileCopying) {
    return Fill(QT_TRANSLATE_NOOP(
                    "FailureText",
                    "%1 changed while it was being copied to %2; it was kept and the copy removed"),
                Quoted(from), Quoted(to));
  }
  if (failure.error == MoveError::kReplacedPutBack) {
    return Fill(QT_TRANSLATE_NOOP("FailureText",
                                  "%1 was replaced while it was being moved; it was put back"),
                Quoted(from));
  }
  if (failure.error == MoveError::kReplacedNotPutBack) {
    return Fill(QT_TRANSLATE_NOOP(
                    "FailureText",
                    "%1 was replaced while it was being moved; what took its place is now %2"),
                Quoted(from), Quoted(to));
  }
  if (failure.error == MoveError::kSizeDisagrees) {
    return Fill(QT_TRANSLATE_NOOP("FailureText",
                                  "%1 holds more or fewer bytes than its size says; "
                                  "it was kept and the copy removed"),
                Quoted(from));
  }
  if (failure.error == MoveError::kCopyNotDurable) {
    return Fill(QT_TRANSLATE_NOOP(
                    "FailureText",
                    "Cannot make sure that %1 is safely on disk; the copy exists and %2 was kept"),
                Quoted(to), Quoted(from));
  }
  return Fill(QT_TRANSLATE_NOOP("FailureText", "Cannot copy %1 to %2: %3"), Quoted(from),
              Quoted(to), Reason(failure.error));
}

std::string RunFailureDescription(const RunFailure& failure) {
  switch (failure.step) {
    case RunFailure::Step::kListTargets:
      return Fill(QT_TRANSLATE_NOOP("FailureText", "Cannot list %1 with the pattern %2: %3"),
                  Quoted(failure.path), Quoted(failure.otherPath), Reason(failure.error));
    case RunFailure::Step::kReadNumber:
      return Fill(QT_TRANSLATE_NOOP("FailureText", "Cannot read the number of %1: %2"),
                  Quoted(failure.path), SuffixFailureText(failure.suffixFailure));
    case RunFailure::Step::kNumberPastMax:
      return Fill(QT_TRANSLATE_NOOP("FailureText", "Cannot give %1 a number past 2147483647: %2"),
                  Quoted(failure.path), Reason(failure.error));
    case RunFailure::Step::kCopy:
      return CopyFailureDescription(failure);
    case RunFailure::Step::kDelete:
      return Fill(QT_TRANSLATE_NOOP("FailureText", "Cannot delete %1 after copying it to %2: %3"),
                  Quoted(failure.path), Quoted(failure.otherPath), Reason(failure.error));
    case RunFailure::Step::kRefreshList:
      return Describe(QT_TRANSLATE_NOOP("FailureText", "Cannot list: %1"),
                      QT_TRANSLATE_NOOP("FailureText", "Cannot list %1: %2"), failure.path,
                      failure.error);
    case RunFailure::Step::kOpenFolder:
      return Describe(QT_TRANSLATE_NOOP("FailureText", "Cannot open: %1; nothing was moved"),
                      QT_TRANSLATE_NOOP("FailureText", "Cannot open %1: %2; nothing was moved"),
                      failure.path, failure.error);
    case RunFailure::Step::kFolderChanged:
      return Fill(QT_TRANSLATE_NOOP("FailureText",
                                    "The folder %1 changed since it was listed; nothing was moved"),
                  Quoted(failure.path));
    case RunFailure::Step::kStem:
      break;
  }
  return {};
}

}  // namespace

std::string RunFailureText(const RunFailure& failure) {
  if (failure.step == RunFailure::Step::kStem)
    return StemRefusalText(failure.stemRefusal);
  return Fill(QT_TRANSLATE_NOOP("FailureText", "Failure converting file. %1."),
              RunFailureDescription(failure));
}

std::string HandlerFailureText(HandlerLeadIn leadIn, const std::string& path,
                               std::error_code error) {
  const std::string reason =
      Describe(QT_TRANSLATE_NOOP("FailureText", "Cannot read: %1"),
               QT_TRANSLATE_NOOP("FailureText", "Cannot read %1: %2"), path, error);
  return leadIn == HandlerLeadIn::kDrive
             ? Fill(QT_TRANSLATE_NOOP("FailureText", "Drive failure. %1."), reason)
             : Fill(QT_TRANSLATE_NOOP("FailureText", "Directory failure. %1."), reason);
}

std::string OpenDirectoryFailureText(const std::string& path, std::error_code error) {
  return Fill(QT_TRANSLATE_NOOP("FailureText", "Directory failure. %1."),
              Describe(QT_TRANSLATE_NOOP("FailureText", "Cannot open: %1"),
                       QT_TRANSLATE_NOOP("FailureText", "Cannot open %1: %2"), path, error));
}

std::string DirectoryNameRefusalText(DirectoryNameRefusal refusal) {
  switch (refusal) {
    case DirectoryNameRefusal::kContainsSlash:
      return Tr(QT_TRANSLATE_NOOP("FailureText",
                                  "Failure creating directory. The name must not contain \"/\"."));
    case DirectoryNameRefusal::kDotOrDotDot:
      return Tr(QT_TRANSLATE_NOOP(
          "FailureText", "Failure creating directory. The name must not be \".\" or \"..\"."));
    case DirectoryNameRefusal::kContainsNul:
      return Tr(QT_TRANSLATE_NOOP(
          "FailureText", "Failure creating directory. The name must not contain a NUL character."));
    case DirectoryNameRefusal::kNone:
      break;
  }
  return {};
}

std::string MakeDirectoryFailureText(const std::string& path, std::error_code error) {
  return Fill(QT_TRANSLATE_NOOP("FailureText", "Failure creating directory. %1."),
              Describe(QT_TRANSLATE_NOOP("FailureText", "Cannot create: %1"),
                       QT_TRANSLATE_NOOP("FailureText", "Cannot create %1: %2"), path, error));
}

}  // namespace varnoth
