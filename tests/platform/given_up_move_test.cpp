// SPDX-License-Identifier: GPL-3.0-or-later
// A move the run gave up on never completes behind the user's back, and the run gives up on a
// move that stalls but never on one that keeps going.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "answered_file_services.h"
#include "errand.h"
#include "move_control.h"
#include "posix_file_services.h"
#include "tests/platform/armed_seam.h"
#include "tests/support/file_census.h"
#include "tests/support/temp_dir.h"
#include "unanswered_folders.h"

namespace varnoth::test {
namespace {

struct UndoCase {
  const char* name;
  bool acrossFileSystems;  // to /dev/shm: a byte copy
  Refusals refusals;
};

class GivenUpMoveTest : public testing::TestWithParam<UndoCase> {};

// The caller has given up before the move could make itself final; whichever way the move is
// made, the file is back under its source name alone.
TEST_P(GivenUpMoveTest, EndsWithTheFileUnderItsSourceNameOnly) {
  const UndoCase& row = GetParam();
  TempDir source;
  std::optional<TempDir> elsewhere;
  if (row.acrossFileSystems) {
    if (access("/dev/shm", W_OK) != 0)
      GTEST_SKIP() << "no /dev/shm to copy to";
    elsewhere.emplace("/dev/shm");
  }
  const std::string& targetDirectory = elsewhere ? elsewhere->path() : source.path();
  source.createFile("a.jpg", "picture");
  const FileCensus before = TakeCensus({source.path(), targetDirectory});

  MoveControl control;
  ASSERT_TRUE(control.cancel());
  MoveResult result;
  {
    const ArmedSeam seam(row.refusals);
    const MoveControl::Scope scope(control);
    result = SystemFileServices().moveFile(source / "a.jpg", targetDirectory + "/Trip001.jpg");
  }
  EXPECT_FALSE(result.moved());
  EXPECT_EQ(NamesIn(source.path()), std::vector<std::string>{"a.jpg"});
  if (elsewhere) {
    EXPECT_TRUE(NamesIn(elsewhere->path()).empty());
  }
  EXPECT_TRUE(NothingLost(before, TakeCensus({source.path(), targetDirectory})));
}

INSTANTIATE_TEST_SUITE_P(
    EveryWayOfMoving, GivenUpMoveTest,
    testing::Values(
        UndoCase{"one_rename_is_taken_back", false, {}},
        UndoCase{"a_rename_over_a_reservation_is_taken_back_without_a_no_replace_rename",
                 false,
                 {{sys::Call::kRenameNoReplace, EINVAL}}},
        UndoCase{"a_hard_link_is_removed_and_the_source_kept",
                 false,
                 {{sys::Call::kRenameNoReplace, EINVAL}, {sys::Call::kRenameOver, EXDEV}}},
        UndoCase{"a_byte_copy_is_removed_and_the_source_kept", true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// A move that blocks until the test lets it go, as one does on a share that stopped answering,
// or that keeps reporting progress for a while, as a long copy does.
class SlowFileServices final : public FileServices {
 public:
  explicit SlowFileServices(FileServices& real) : real_(real) {}
  FolderOpening openFolder(const std::string& path) override { return real_.openFolder(path); }
  MoveResult moveFile(const Folder& fromFolder, const std::string& fromName, const Folder& toFolder,
                      const std::string& toName) override {
    if (stuck)
      released.wait();
    for (int step = 0; step < progressSteps; ++step) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      NoteMoveProgress();
    }
    return real_.moveFile(fromFolder, fromName, toFolder, toName);
  }
  std::optional<FileStamp> stampOf(const Folder& folder, const std::string& name) override {
    return real_.stampOf(folder, name);
  }
  std::optional<MoveResult> finishMove(const Folder& fromFolder, const std::string& fromName,
                                       const Folder& toFolder, const std::string& toName) override {
    return real_.finishMove(fromFolder, fromName, toFolder, toName);
  }
  void removeLeftovers(const Folder& folder) override { real_.removeLeftovers(folder); }
  std::error_code syncFolder(const Folder& folder) override { return real_.syncFolder(folder); }
  std::error_code makeDirectory(const std::string& path) override {
    return real_.makeDirectory(path);
  }

  std::atomic<bool> stuck{false};
  std::shared_future<void> released;
  int progressSteps = 0;

 private:
  FileServices& real_;
};

// Held for the whole process: a move given up on may use it after the test has ended.
SlowFileServices& Slow() {
  static SlowFileServices services(SystemFileServices());
  return services;
}

TEST(AnsweredFileServicesTest, AStalledMoveIsGivenUpOnAndItsFolderFailsAtOnceUntilItAnswers) {
  TempDir dir;
  dir.createFile("a.jpg", "a");
  dir.createFile("b.jpg", "b");
  const FileCensus before = TakeCensus({dir.path()});
  std::promise<void> release;
  Slow().released = release.get_future().share();
  Slow().stuck = true;
  Slow().progressSteps = 0;

  AnsweredFileServices files(Slow());
  FolderOpening folder = files.openFolder(dir.path());
  ASSERT_TRUE(folder.folder) << folder.error.message();
  const MoveResult stalled = files.moveFile(*folder.folder, "a.jpg", *folder.folder, "Trip001.jpg");
  EXPECT_EQ(stalled.failedStep, MoveResult::Step::kCopy);
  const auto named = UnansweredFolders::Instance().folderOf(stalled.error);
  ASSERT_TRUE(named.has_value()) << stalled.error.message();
  EXPECT_EQ(*named, UnansweredFolders::Blame(dir.path()));

  // The next move there is refused at once, without a worker stuck behind it.
  Slow().stuck = false;
  const MoveResult refused = files.moveFile(*folder.folder, "b.jpg", *folder.folder, "Trip002.jpg");
  EXPECT_EQ(refused.error, stalled.error);

  // The share answers again: the stalled move wakes, undoes itself, and the folder is usable.
  release.set_value();
  for (int tries = 0; UnansweredFolders::Instance().check(dir.path()) && tries < 1000; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(UnansweredFolders::Instance().check(dir.path()));
  EXPECT_EQ(NamesIn(dir.path()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_TRUE(files.moveFile(*folder.folder, "b.jpg", *folder.folder, "Trip002.jpg").moved());
  EXPECT_TRUE(NothingLost(before, TakeCensus({dir.path()})));
}

TEST(AnsweredFileServicesTest, AMoveThatKeepsProgressingPastTheDeadlineIsLetFinish) {
  TempDir dir;
  dir.createFile("a.jpg", "a");
  const FileCensus before = TakeCensus({dir.path()});
  Slow().stuck = false;
  Slow().progressSteps = static_cast<int>(kAnswerDeadline / std::chrono::milliseconds(100)) + 10;

  AnsweredFileServices files(Slow());
  FolderOpening folder = files.openFolder(dir.path());
  ASSERT_TRUE(folder.folder);
  const MoveResult result = files.moveFile(*folder.folder, "a.jpg", *folder.folder, "Trip001.jpg");
  Slow().progressSteps = 0;
  EXPECT_TRUE(result.moved()) << result.error.message();
  EXPECT_EQ(NamesIn(dir.path()), std::vector<std::string>{"Trip001.jpg"});
  EXPECT_TRUE(NothingLost(before, TakeCensus({dir.path()})));
}

}  // namespace
}  // namespace varnoth::test
