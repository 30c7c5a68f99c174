// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <functional>

#include "file_listing.h"
#include "naming.h"
#include "rename_run.h"
#include "tests/engine/failing_file_services.h"
#include "tests/engine/run_scene.h"
#include "tests/platform/armed_seam.h"
#include "tests/support/fixed_ports.h"
#include "tests/support/temp_dir.h"

namespace varnoth::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

struct TakenCase {
  const char* name;
  const char* stem;
  std::function<void(const std::string& path)> take;
};

class TakenButNotListed : public testing::TestWithParam<TakenCase> {};

TEST_P(TakenButNotListed, RefusesTheCopyAndUsesUpTheNumber) {
  TempDir source, target;
  Photo(source.path(), "a.jpg");
  Photo(source.path(), "b.jpg");
  const std::string stem = GetParam().stem;
  const std::string taken = target / (stem + "001.jpg");
  GetParam().take(taken);
  const RunOutcome outcome = RunOn({.sourceDir = source.path(),
                                    .targetDir = target.path(),
                                    .stem = stem,
                                    .selected = {"a.jpg", "b.jpg"}});

  EXPECT_EQ(outcome.messages,
            Names{"Failure converting file. Cannot copy '\u2068" + (source / "a.jpg") +
                  "\u2069' to '\u2068" + taken + "\u2069': File exists."});
  EXPECT_EQ(outcome.sourceList, Names{"a.jpg"});
  EXPECT_EQ(HoldingsOf(target.path())[stem + "002.jpg"], "b.jpg");
  EXPECT_TRUE(fs::exists(fs::symlink_status(taken)));
}

INSTANTIATE_TEST_SUITE_P(Obstacles, TakenButNotListed,
                         testing::Values(TakenCase{"directory", "Trip",
                                                   [](const std::string& path) {
                                                     fs::create_directory(path);
                                                     Photo(path, "inside.jpg");
                                                   }},
                                         TakenCase{"dangling_symlink", "Trip",
                                                   [](const std::string& path) {
                                                     fs::create_symlink("nowhere.jpg", path);
                                                   }},
                                         TakenCase{"fifo", "Trip",
                                                   [](const std::string& path) {
                                                     ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
                                                   }}),
                         [](const auto& info) { return std::string(info.param.name); });

RunOutcome RunThreeThrough(FileServices& files, const TempDir& source, const TempDir& target) {
  for (auto name : {"a.jpg", "b.jpg", "c.jpg"})
    Photo(source.path(), name);
  return RunOn({.sourceDir = source.path(),
                .targetDir = target.path(),
                .selected = {"a.jpg", "b.jpg", "c.jpg"},
                .files = &files});
}

TEST(RenameRunFailure, FailedCopyKeepsTheSourceAndTheRunGoesOn) {
  TempDir source, target;
  FailingFileServices files({.nth = 2, .errorNumber = EIO}, {});
  const RunOutcome outcome = RunThreeThrough(files, source, target);

  EXPECT_EQ(outcome.messages, Names{"Failure converting file. Cannot copy '\u2068" +
                                    (source / "b.jpg") + "\u2069' to '\u2068" +
                                    (target / "Trip002.jpg") + "\u2069': Input/output error."});
  EXPECT_EQ(outcome.sourceList, Names{"b.jpg"});
  EXPECT_EQ(HoldingsOf(target.path()),
            (Holdings{{"Trip001.jpg", "a.jpg"}, {"Trip003.jpg", "c.jpg"}}));
}

TEST(RenameRunFailure, FailedDeleteLeavesTheFileInBothPlaces) {
  TempDir source, target;
  FailingFileServices files({}, {.nth = 1, .errorNumber = EACCES});
  const RunOutcome outcome = RunThreeThrough(files, source, target);

  EXPECT_EQ(outcome.messages, Names{"Failure converting file. Cannot delete '\u2068" +
                                    (source / "a.jpg") + "\u2069' after copying it to '\u2068" +
                                    (target / "Trip001.jpg") + "\u2069': Permission denied."});
  EXPECT_EQ(outcome.sourceList, Names{"a.jpg"});
  EXPECT_EQ(outcome.targetList, (Names{"Trip001.jpg", "Trip002.jpg", "Trip003.jpg"}));
}

// A source that cannot be deleted for a while, or a target whose folder sync keeps failing: every
// run until the trouble ends copies and keeps the source, and none of them, nor the run after,
// gives a picture a second number.
const struct {
  const char* trouble;
  int troubledRuns;
  sys::Call call;  // fails with `error`; a sync only when it syncs a folder (every second one)
  int error;
} kTroubles[] = {
    {"write-protected card", 1, sys::Call::kUnlink, EROFS},
    {"folder sync failing", 2, sys::Call::kFsync, EIO},
};

TEST(RenameRunFailure, RunsAfterATroubleFinishTheMovesWithoutASecondCopy) {
  for (const auto& [trouble, troubledRuns, call, error] : kTroubles) {
    SCOPED_TRACE(trouble);
    TempDir source, target;
    for (auto name : {"a.jpg", "b.jpg", "c.jpg"})
      Photo(source.path(), name);
    const Names all = {"a.jpg", "b.jpg", "c.jpg"};
    const RunRequest request{
        .sourceDir = source.path(), .targetDir = target.path(), .selected = all};
    for (int run = 0; run < troubledRuns; ++run) {
      // A byte copy, as between two file systems, on one.
      ArmedSeam seam({{sys::Call::kRenameNoReplace, EXDEV}, {sys::Call::kLink, EXDEV}});
      int seen = 0;
      seam.faults.before = [&](sys::Call made) {
        if (made == call)
          seam.faults.refuse[static_cast<std::size_t>(call)] =
              call != sys::Call::kFsync || ++seen % 2 == 0 ? error : 0;
      };
      EXPECT_EQ(RunOn(request).messages.size(), 3u);
    }
    const RunOutcome last = RunOn(request);

    EXPECT_EQ(last.messages, Names{});
    EXPECT_EQ(last.sourceList, Names{});
    EXPECT_EQ(
        HoldingsOf(target.path()),
        (Holdings{{"Trip001.jpg", "a.jpg"}, {"Trip002.jpg", "b.jpg"}, {"Trip003.jpg", "c.jpg"}}));
  }
}

// What a killed move may leave in the target beside the stem's files, and what the next run makes
// of it: only an empty reservation under its own unlocked mark goes, and its number is used again.
const struct {
  const char* left;
  bool empty;   // Trip002.jpg holds nothing
  bool marked;  // .varnoth-reserved-Trip002.jpg beside it
  bool locked;  // a run still holds the mark
  bool older;   // Trip002.jpg was there before the mark
  const char* aBecomes;
} kLeftovers[] = {
    {"marked empty reservation", true, true, false, false, "Trip002.jpg"},
    {"the user's own empty file", true, false, false, false, "Trip003.jpg"},
    {"the user's own empty file, older than a mark", true, true, false, true, "Trip003.jpg"},
    {"mark beside a file with content", false, true, false, false, "Trip003.jpg"},
    {"reservation of a run still going", true, true, true, false, "Trip003.jpg"},
};

TEST(RenameRunFailure, OnlyAMarkedEmptyReservationIsRemovedAndItsNumberUsedAgain) {
  for (const auto& [left, empty, marked, locked, older, aBecomes] : kLeftovers) {
    SCOPED_TRACE(left);
    TempDir source, target;
    Photo(source.path(), "a.jpg");
    Photo(target.path(), "Trip001.jpg");
    const std::string mark = target / ".varnoth-reserved-Trip002.jpg";
    if (marked)
      WriteFile(mark, "");
    const std::string content = empty ? "" : "photo of Trip002.jpg";
    if (older)
      target.createFile("Trip002.jpg", content, std::time(nullptr) - 60);
    else
      WriteFile(target / "Trip002.jpg", content);
    const int lock = locked ? open(mark.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (locked) {
      ASSERT_EQ(flock(lock, LOCK_EX), 0);
    }

    // Not through RunOn: its census would see a name that held nothing hold a picture now.
    FileListing sources(source.path(), SourcePattern("jpg"));
    sources.setSelected(0, true);
    FileListing targets(target.path(), TargetPattern("Trip", "jpg"));
    const FixedText stem("Trip");
    const FixedDirectory sourcePath(source.path()), targetPath(target.path());
    RecordedFailures report;
    RunRename(
        {stem, "jpg", sources, targets, sourcePath, targetPath, SystemFileServices(), report});
    if (lock >= 0)
      close(lock);

    EXPECT_TRUE(report.failures.empty());
    EXPECT_TRUE(HoldingsOf(source.path()).empty());
    const Holdings holdings = HoldingsOf(target.path());
    EXPECT_EQ(holdings.at("Trip001.jpg"), "Trip001.jpg");
    EXPECT_EQ(holdings.at(aBecomes), "a.jpg");
    if (std::string(aBecomes) != "Trip002.jpg") {
      EXPECT_EQ(holdings.at("Trip002.jpg"), empty ? "" : "Trip002.jpg") << "Trip002.jpg changed";
    }
    EXPECT_EQ(fs::exists(mark), locked) << "the mark";
  }
}

TEST(RenameRunFailure, CounterOverflowIsReportedOnceAndStopsTheMoves) {
  TempDir source, target;
  Photo(target.path(), "Trip2147483647.jpg");
  Photo(source.path(), "a.jpg");
  Photo(source.path(), "b.jpg");
  const RunOutcome outcome = RunOn(
      {.sourceDir = source.path(), .targetDir = target.path(), .selected = {"a.jpg", "b.jpg"}});

  EXPECT_EQ(outcome.messages,
            Names{"Failure converting file. Cannot give '\u2068a.jpg\u2069' a number past "
                  "2147483647: Numerical result out of range."});
  EXPECT_EQ(outcome.sourceList, (Names{"a.jpg", "b.jpg"}));
}

TEST(RenameRunFailure, StemWithDotReportsEveryTargetAndReplacesNothing) {
  TempDir source, target;
  for (auto name : {"Trip.2003001.jpg", "Trip.2003002.jpg"})
    Photo(target.path(), name);
  for (auto name : {"a.jpg", "b.jpg"})
    Photo(source.path(), name);
  const RunOutcome outcome = RunOn({.sourceDir = source.path(),
                                    .targetDir = target.path(),
                                    .stem = "Trip.2003",
                                    .selected = {"a.jpg", "b.jpg"}});

  using testing::EndsWith, testing::HasSubstr;
  EXPECT_THAT(outcome.messages,
              testing::ElementsAre(HasSubstr("number of '\u2068Trip.2003001.jpg\u2069'"),
                                   HasSubstr("number of '\u2068Trip.2003002.jpg\u2069'"),
                                   EndsWith("Trip.2003001.jpg\u2069': File exists."),
                                   EndsWith("Trip.2003002.jpg\u2069': File exists.")));
  EXPECT_EQ(outcome.sourceList, (Names{"a.jpg", "b.jpg"}));
}

}  // namespace
}  // namespace varnoth::test
