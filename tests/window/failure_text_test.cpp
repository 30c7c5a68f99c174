// SPDX-License-Identifier: GPL-3.0-or-later
#include "failure_text.h"

#include <gtest/gtest.h>

#include <string>

#include "errand.h"
#include "unanswered_folders.h"

namespace varnoth {
namespace {

// The texts that only a value can produce; the run's and the handlers' ordinary texts are checked
// where they arise, in the engine and window tests.
TEST(FailureText, EveryRefusalAndMoveReasonReadsAsAUserSeesIt) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const auto copy = [](std::error_code error) {
    return RunFailureText({.step = RunFailure::Step::kCopy,
                           .path = "/p/<b>a</b>.jpg",
                           .otherPath = "/t/Trip001.jpg",
                           .error = error});
  };
  const auto stem = [](StemRefusal refusal) {
    return RunFailureText({.step = RunFailure::Step::kStem, .stemRefusal = refusal});
  };
  ErrandState givenUp;
  const std::error_code share = UnansweredFolders::Instance().gaveUp("/media/nas", givenUp);
  givenUp.finish();
  const Row rows[] = {
      {"share that does not answer", copy(share),
       "Failure converting file. Cannot copy '\u2068/p/<b>a</b>.jpg\u2069' to "
       "'\u2068/t/Trip001.jpg\u2069': '\u2068/media/nas\u2069' does not answer."},
      {"window closed while a move waited",
       RunFailureText({.step = RunFailure::Step::kCopy,
                       .path = "/media/nas/2024/IMG_0042.jpg",
                       .otherPath = "/media/nas/2024/Trip001.jpg",
                       .error = WaitError::kClosing}),
       "Failure converting file. '\u2068IMG_0042.jpg\u2069' stays in "
       "'\u2068/media/nas/2024\u2069'; "
       "the files before it were moved."},
      {"listing without end",
       HandlerFailureText(HandlerLeadIn::kDirectory, "/x", WaitError::kListingTooLong),
       "Directory failure. Cannot read '\u2068/x\u2069': its listing goes on past 512 MiB of names "
       "without ending."},
      {"empty stem", stem(StemRefusal::kEmpty), "Please enter new file name"},
      {"stem with a slash", stem(StemRefusal::kContainsSlash),
       "The new file name must not contain \"/\"."},
      {"stem with a leading dot", stem(StemRefusal::kBeginsWithDot),
       "The new file name must not begin with \".\"."},
      {"system reason", copy(std::make_error_code(std::errc::file_exists)),
       "Failure converting file. Cannot copy '\u2068/p/<b>a</b>.jpg\u2069' to "
       "'\u2068/t/Trip001.jpg\u2069': File exists."},
      {"entry swapped for a link", copy(MoveError::kNotRegularFile),
       "Failure converting file. '\u2068/p/<b>a</b>.jpg\u2069' is no longer a regular file; it was "
       "left where "
       "it is."},
      {"source growing", copy(MoveError::kChangedWhileCopying),
       "Failure converting file. '\u2068/p/<b>a</b>.jpg\u2069' changed while it was being copied "
       "to "
       "'\u2068/t/Trip001.jpg\u2069'; it was kept and the copy removed."},
      {"copy not synced", copy(MoveError::kCopyNotDurable),
       "Failure converting file. Cannot make sure that '\u2068/t/Trip001.jpg\u2069' is safely on "
       "disk; the "
       "copy exists and '\u2068/p/<b>a</b>.jpg\u2069' was kept."},
      {"entry put back", copy(MoveError::kReplacedPutBack),
       "Failure converting file. '\u2068/p/<b>a</b>.jpg\u2069' was replaced while it was being "
       "moved; it was "
       "put back."},
      {"entry not put back", copy(MoveError::kReplacedNotPutBack),
       "Failure converting file. '\u2068/p/<b>a</b>.jpg\u2069' was replaced while it was being "
       "moved; what "
       "took its place is now '\u2068/t/Trip001.jpg\u2069'."},
      {"size misreported", copy(MoveError::kSizeDisagrees),
       "Failure converting file. '\u2068/p/<b>a</b>.jpg\u2069' holds more or fewer bytes than its "
       "size says; "
       "it was kept and the copy removed."},
      {"folder that cannot be opened",
       RunFailureText({.step = RunFailure::Step::kOpenFolder,
                       .path = "/t",
                       .error = std::make_error_code(std::errc::permission_denied)}),
       "Failure converting file. Cannot open '\u2068/t\u2069': Permission denied; nothing was "
       "moved."},
      {"directory name with a slash",
       DirectoryNameRefusalText(DirectoryNameRefusal::kContainsSlash),
       "Failure creating directory. The name must not contain \"/\"."},
      {"drive lead-in",
       HandlerFailureText(HandlerLeadIn::kDrive, "/media/card",
                          std::make_error_code(std::errc::no_such_file_or_directory)),
       "Drive failure. Cannot read '\u2068/media/card\u2069': No such file or directory."},
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.text, row.expected) << row.name;
}

}  // namespace
}  // namespace varnoth
