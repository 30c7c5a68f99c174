// SPDX-License-Identifier: GPL-3.0-or-later
// Moves on file systems with fewer features, as the seam makes ext4 and tmpfs answer: which
// refusals the copy survives and which fail it cleanly, a source written meanwhile, and the
// temporaries killed runs leave.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "durable_copy.h"
#include "posix_file_services.h"
#include "tests/platform/armed_seam.h"
#include "tests/support/file_census.h"
#include "tests/support/temp_dir.h"
#include "unique_fd.h"

namespace varnoth {
namespace {

using sys::Call;
using test::ArmedSeam;
using test::NamesIn;
using test::NothingLost;
using test::ReadFile;
using test::Refusals;
using test::TakeCensus;
using test::TempDir;
using Names = std::vector<std::string>;

const std::string kPhoto = std::string(1 << 20, 'p') + "end";

bool ShmApart() {
  TempDir probe;
  struct stat shm, tmp;
  return stat("/dev/shm", &shm) == 0 && stat(probe.path().c_str(), &tmp) == 0 &&
         shm.st_dev != tmp.st_dev;
}

// The two byte-copy ways onto another file system: through an unnamed temporary, and, onto a file
// system like FAT, through a hidden temporary renamed over a reservation. (In place, such a file
// system renames over a reservation without copying.)
struct CopyWay {
  const char* name;
  bool crossDevice;
  Refusals refusals;
};
const CopyWay kCopyWays[] = {
    {"across", true, {}},
    {"FAT-like",
     true,
     {{Call::kRenameNoReplace, EINVAL}, {Call::kLink, EPERM}, {Call::kCreateUnnamed, EOPNOTSUPP}}},
};

class CopyScene {
 public:
  explicit CopyScene(const CopyWay& way) : way_(way) {
    if (way.crossDevice)
      target_ = std::make_unique<TempDir>("/dev/shm");
    test::WriteFile(from(), kPhoto);
  }
  std::string from() const { return source_ / "a.jpg"; }
  std::string to() const { return target() + "/Trip001.jpg"; }
  std::string target() const { return target_ ? target_->path() : source_.path(); }
  std::vector<std::string> directories() const {
    return target_ ? std::vector{source_.path(), target()} : std::vector{source_.path()};
  }
  Refusals refusalsAnd(const Refusals& more) const {
    Refusals all = way_.refusals;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  }

 private:
  const CopyWay& way_;
  TempDir source_;
  std::unique_ptr<TempDir> target_;
};

// What a file system answers to one step of the copy, and whether the move survives it.
const struct {
  const char* answer;
  Refusals refusals;
  int failsWith;  // 0: moves
} kAnswers[] = {
    {"no permission bits (ENOSYS)", {{Call::kFchmod, ENOSYS}}, 0},
    {"no permission bits (EOPNOTSUPP)", {{Call::kFchmod, EOPNOTSUPP}}, 0},
    {"no owner's rights to change bits (EPERM)", {{Call::kFchmod, EPERM}}, 0},
    {"no times (ENOSYS)", {{Call::kFutimens, ENOSYS}}, 0},
    {"no copy_file_range", {{Call::kCopyFileRange, ENOSYS}}, 0},
    {"read and write only", {{Call::kCopyFileRange, EXDEV}, {Call::kSendfile, EINVAL}}, 0},
    {"I/O error setting bits", {{Call::kFchmod, EIO}}, EIO},
    {"I/O error setting times", {{Call::kFutimens, EIO}}, EIO},
    {"I/O error syncing", {{Call::kFsync, EIO}}, EIO},
    {"disk full while copying", {{Call::kCopyFileRange, ENOSPC}}, ENOSPC},
    {"disk full while writing",
     {{Call::kCopyFileRange, ENOSYS}, {Call::kSendfile, ENOSYS}, {Call::kWrite, ENOSPC}},
     ENOSPC},
};

TEST(MoveFallbacksTest, CopySurvivesMissingFeaturesAndFailsCleanlyOnRealErrors) {
  if (!ShmApart())
    GTEST_SKIP() << "needs /dev/shm on another file system than the temporary directory";
  for (const CopyWay& way : kCopyWays) {
    for (const auto& [answer, refusals, failsWith] : kAnswers) {
      SCOPED_TRACE(std::string(way.name) + ", " + answer);
      const CopyScene scene(way);
      const auto before = TakeCensus(scene.directories());

      MoveResult result;
      {
        ArmedSeam seam(scene.refusalsAnd(refusals));
        result = SystemFileServices().moveFile(scene.from(), scene.to());
      }

      if (failsWith == 0) {
        EXPECT_TRUE(result.moved()) << result.error.message();
        EXPECT_EQ(ReadFile(scene.to()), kPhoto);
        EXPECT_EQ(NamesIn(scene.target()), Names{"Trip001.jpg"});
      } else {
        EXPECT_EQ(result.failedStep, MoveResult::Step::kCopy);
        EXPECT_EQ(result.error, std::error_code(failsWith, std::generic_category()));
        EXPECT_EQ(ReadFile(scene.from()), kPhoto);
        const Names left = way.crossDevice ? Names{} : Names{"a.jpg"};
        EXPECT_EQ(NamesIn(scene.target()), left) << "a temporary or reservation was left";
      }
      EXPECT_TRUE(NothingLost(before, TakeCensus(scene.directories())));
    }
  }
}

// File systems that report a size the content does not have (a phone's or a network's, for files
// not fetched yet), or in-kernel copies that stop before the end: the copy reads to the end and is
// whole, or the source is kept and no copy is left.
const struct {
  const char* answer;
  bool kernelCopiesEndAtOnce;
  off_t reportedSize;  // -1: the true size
  MoveError error;     // {}: moves
} kMisreports[] = {
    {"in-kernel copies end at once", true, -1, {}},
    {"size reported as 0", false, 0, MoveError::kSizeDisagrees},
    {"size reported as 0, in-kernel copies end at once", true, 0, MoveError::kSizeDisagrees},
    {"size reported larger", false, off_t{4} << 20, MoveError::kSizeDisagrees},
};

TEST(MoveFallbacksTest, CopyIsWholeOrTheSourceIsKeptWhatEverTheSizeSays) {
  if (!ShmApart())
    GTEST_SKIP() << "needs /dev/shm on another file system than the temporary directory";
  for (const CopyWay& way : kCopyWays) {
    for (const auto& [answer, endAtOnce, reportedSize, error] : kMisreports) {
      SCOPED_TRACE(std::string(way.name) + ", " + answer);
      const CopyScene scene(way);
      const auto before = TakeCensus(scene.directories());

      MoveResult result;
      {
        ArmedSeam seam(scene.refusalsAnd({}));
        seam.faults.endEarly[static_cast<std::size_t>(Call::kCopyFileRange)] = endAtOnce;
        seam.faults.endEarly[static_cast<std::size_t>(Call::kSendfile)] = endAtOnce;
        if (reportedSize >= 0)
          seam.faults.alterStatus = [&](struct stat& status) { status.st_size = reportedSize; };
        result = SystemFileServices().moveFile(scene.from(), scene.to());
      }

      if (error == MoveError{}) {
        EXPECT_TRUE(result.moved()) << result.error.message();
        EXPECT_EQ(ReadFile(scene.to()), kPhoto);
      } else {
        EXPECT_EQ(result.failedStep, MoveResult::Step::kCopy);
        EXPECT_EQ(result.error, error) << result.error.message();
        EXPECT_EQ(ReadFile(scene.from()), kPhoto);
        EXPECT_TRUE(NamesIn(scene.target()).empty()) << "a copy or temporary was left";
      }
      EXPECT_TRUE(NothingLost(before, TakeCensus(scene.directories())));
    }
  }
}

TEST(MoveFallbacksTest, UnsyncableDirectoryKeepsTheSourceAndSaysTheCopyIsNotDurable) {
  if (!ShmApart())
    GTEST_SKIP() << "needs /dev/shm on another file system than the temporary directory";
  for (const CopyWay& way : kCopyWays) {
    SCOPED_TRACE(way.name);
    int directorySync = 0;
    {
      // The directory's sync is the last sync of a clean move.
      const CopyScene rehearsal(way);
      ArmedSeam seam(rehearsal.refusalsAnd({}));
      ASSERT_TRUE(SystemFileServices().moveFile(rehearsal.from(), rehearsal.to()).moved());
      for (std::size_t i = 0; i < seam.calls.size(); ++i) {
        if (seam.calls[i] == Call::kFsync)
          directorySync = static_cast<int>(i) + 1;
      }
    }
    const CopyScene scene(way);
    const auto before = TakeCensus(scene.directories());

    MoveResult result;
    {
      ArmedSeam seam(scene.refusalsAnd({}));
      seam.faults.failAt = directorySync;
      seam.faults.failErrno = EIO;
      result = SystemFileServices().moveFile(scene.from(), scene.to());
    }

    EXPECT_EQ(result.failedStep, MoveResult::Step::kCopy);
    EXPECT_EQ(result.error, MoveError::kCopyNotDurable);
    EXPECT_EQ(ReadFile(scene.from()), kPhoto);
    EXPECT_EQ(ReadFile(scene.to()), kPhoto);
    EXPECT_TRUE(NothingLost(before, TakeCensus(scene.directories())));
  }
}

// Any call that copies content: copy_file_range, sendfile or write, whichever the file systems
// take.
constexpr Call kContent = Call::kCount;

bool Matches(Call call, Call step) {
  if (step != kContent)
    return call == step;
  return call == Call::kCopyFileRange || call == Call::kSendfile || call == Call::kWrite;
}

// A source still being written: appended to right before one of the move's steps.
const struct {
  const char* when;
  Refusals refusals;
  Call step;
  int occurrence;
  MoveResult::Step failedStep;
} kWrites[] = {
    {"between two kernel copies", {}, kContent, 2, MoveResult::Step::kCopy},
    {"between two writes",
     {{Call::kCopyFileRange, ENOSYS}, {Call::kSendfile, ENOSYS}},
     Call::kWrite,
     2,
     MoveResult::Step::kCopy},
    {"after the copy was published", {}, Call::kFsync, 2, MoveResult::Step::kDelete},
};

TEST(MoveFallbacksTest, SourceWrittenDuringTheMoveIsKeptWhole) {
  if (!ShmApart())
    GTEST_SKIP() << "needs /dev/shm on another file system than the temporary directory";
  for (const CopyWay& way : kCopyWays) {
    for (const auto& [when, refusals, step, occurrence, failedStep] : kWrites) {
      SCOPED_TRACE(std::string(way.name) + ", " + when);
      const CopyScene scene(way);

      MoveResult result;
      {
        ArmedSeam seam(scene.refusalsAnd(refusals));
        int seen = 0;
        seam.faults.before = [&](Call call) {
          if (Matches(call, step) && ++seen == occurrence) {
            const int fd = open(scene.from().c_str(), O_WRONLY | O_APPEND);
            EXPECT_EQ(write(fd, "more", 4), 4);
            close(fd);
          }
        };
        result = SystemFileServices().moveFile(scene.from(), scene.to());
      }

      EXPECT_EQ(result.failedStep, failedStep);
      EXPECT_EQ(result.error, MoveError::kChangedWhileCopying);
      EXPECT_EQ(ReadFile(scene.from()), kPhoto + "more");
      if (failedStep == MoveResult::Step::kCopy) {
        const Names left = way.crossDevice ? Names{} : Names{"a.jpg"};
        EXPECT_EQ(NamesIn(scene.target()), left) << "the half copy was kept";
      } else {
        EXPECT_EQ(ReadFile(scene.to()), kPhoto);
      }
    }
  }
}

// A directory holding what killed runs left and what only looks like it, with one temporary being
// written by another copy of the program (it holds a lock) and one written a moment ago.
class Leftovers {
 public:
  Leftovers() {
    const time_t old = time(nullptr) - 2 * 60 * 60;
    for (const char* name :
         {".varnoth-abc123", ".varnoth-ZZ9yy0", ".varnoth-lockd1", ".varnoth-abc12",
          ".varnoth-abc1234", ".varnoth-ab_123", "varnoth-abc123", "Trip001.jpg"}) {
      dir_.createFile(name, std::string("bytes of ") + name, old);
    }
    dir_.createFile(".varnoth-young1", "being written", time(nullptr));
    EXPECT_EQ(mkdir((dir_ / ".varnoth-dir123").c_str(), 0777), 0);
    dir_.createFile("elsewhere", "linked to", old);
    EXPECT_EQ(symlink("elsewhere", (dir_ / ".varnoth-lnk123").c_str()), 0);
    locked_.reset(open((dir_ / ".varnoth-lockd1").c_str(), O_RDONLY | O_CLOEXEC));
    EXPECT_EQ(flock(locked_.get(), LOCK_EX | LOCK_NB), 0);
  }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  UniqueFd locked_;
};

TEST(MoveFallbacksTest, HiddenCopyRemovesOnlyAbandonedTemporariesOfItsOwnPattern) {
  const Names lookAlikes = {".varnoth-ab_123", ".varnoth-abc12",  ".varnoth-abc1234",
                            ".varnoth-dir123", ".varnoth-lnk123", "Trip001.jpg",
                            "Trip002.jpg",     "elsewhere",       "varnoth-abc123"};
  const struct {
    const char* locks;
    Refusals refusals;
    Names kept;  // besides the look-alikes
  } kLocks[] = {
      {"with locks", {}, {".varnoth-lockd1"}},
      // Without locks only age tells: the locked one is as old as the abandoned ones.
      {"without locks", {{Call::kLock, ENOLCK}}, {".varnoth-young1"}},
  };
  for (const auto& [locks, refusals, kept] : kLocks) {
    SCOPED_TRACE(locks);
    Leftovers leftovers;
    TempDir source;
    test::WriteFile(source / "a.jpg", kPhoto);
    {
      ArmedSeam seam(refusals);
      ASSERT_FALSE(CopyBytesToNewName(source / "a.jpg", leftovers.dir() / "Trip002.jpg",
                                      StagingFile::kHiddenName));
      // Once per directory: a second copy only locks its own temporary and removes nothing.
      const std::size_t first = seam.calls.size();
      ASSERT_FALSE(CopyBytesToNewName(source / "a.jpg", leftovers.dir() / "Trip003.jpg",
                                      StagingFile::kHiddenName));
      const std::vector<Call> second(seam.calls.begin() + first, seam.calls.end());
      EXPECT_EQ(std::count(second.begin(), second.end(), Call::kLock), 1);
      EXPECT_EQ(std::count(second.begin(), second.end(), Call::kUnlink), 0);
    }
    ASSERT_EQ(unlink((leftovers.dir() / "Trip003.jpg").c_str()), 0);

    Names expected = lookAlikes;
    expected.insert(expected.end(), kept.begin(), kept.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(NamesIn(leftovers.dir().path()), expected);
    EXPECT_EQ(ReadFile(leftovers.dir() / "elsewhere"), "linked to");
  }
}

}  // namespace
}  // namespace varnoth
