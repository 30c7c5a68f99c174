// SPDX-License-Identifier: GPL-3.0-or-later
// A move killed at any instant, and a run resumed over what is left, as a user would resume it
// (through the engine, with the unnumbered pictures selected):
// for every way a move can be made, the process is killed right before each of its system calls
// that change the disk in turn.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "file_listing.h"
#include "leftover_temporaries.h"
#include "naming.h"
#include "posix_file_services.h"
#include "rename_run.h"
#include "tests/platform/armed_seam.h"
#include "tests/support/file_census.h"
#include "tests/support/fixed_ports.h"
#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

using sys::Call;
using test::ArmedSeam;
using test::FileCensus;
using test::NothingLost;
using test::Refusals;
using test::TakeCensus;
using test::TempDir;

// The ways of moving, each with the refusals that make the file system force it here: the
// temporary directories are on one disk file system, /dev/shm is another.
struct MovePath {
  const char* name;
  bool crossDevice;
  Refusals refusals;
  Call publishedBy;          // the call that gives the moved file its numbered name
  bool mayLeaveReservation;  // an empty numbered file, when killed between reserve and rename
  bool oneStep;              // no instant at which the picture has both names
};

const MovePath kPaths[] = {
    {"one rename", false, {}, Call::kRenameNoReplace, false, true},
    {"one rename over a reservation",
     false,
     {{Call::kRenameNoReplace, EINVAL}},
     Call::kRenameOver,
     true,
     true},
    {"link and unlink",
     false,
     {{Call::kRenameNoReplace, EINVAL}, {Call::kRenameOver, ENOSYS}},
     Call::kLink,
     true,
     false},
    {"byte copy through an unnamed temporary", true, {}, Call::kLinkUnnamed, false, false},
    {"byte copy through a hidden temporary",
     true,
     {{Call::kCreateUnnamed, EOPNOTSUPP}},
     Call::kRenameNoReplace,
     false,
     false},
    {"byte copy over a reservation (FAT)",
     true,
     {{Call::kRenameNoReplace, EINVAL}, {Call::kLink, EPERM}, {Call::kCreateUnnamed, EOPNOTSUPP}},
     Call::kRenameOver,
     true,
     false},
};

const char* const kSources[] = {"b.jpg", "a.jpg", "c.jpg"};

bool IsNumbered(const std::string& name) {
  static const std::regex numbered("Trip([0-9]{3,})\\.jpg");
  return std::regex_match(name, numbered);
}

// A source and a target directory, the same one unless the move crosses file systems.
class Scene {
 public:
  explicit Scene(bool crossDevice) {
    if (crossDevice)
      target_ = std::make_unique<TempDir>("/dev/shm");
    for (const char* name : kSources)
      test::WriteFile(source_ / name, std::string(64 << 10, name[0]) + name);
  }
  std::string source() const { return source_.path(); }
  std::string target() const { return target_ ? target_->path() : source_.path(); }
  std::vector<std::string> directories() const {
    return target_ ? std::vector{source(), target()} : std::vector{source()};
  }

 private:
  TempDir source_;
  std::unique_ptr<TempDir> target_;
};

// Moves what is left as a new run would: the unnumbered pictures of the source, by name, under
// the numbers after the highest in the target. False when a move fails.
bool MoveTheRest(const Scene& scene) {
  int highest = 0;
  for (const auto& name : test::NamesIn(scene.target())) {
    if (IsNumbered(name))
      highest = std::max(highest, std::stoi(name.substr(4)));
  }
  bool allMoved = true;
  for (const auto& name : test::NamesIn(scene.source())) {
    if (name[0] == '.' || IsNumbered(name) || !name.ends_with(".jpg"))
      continue;
    char numbered[32];
    std::snprintf(numbered, sizeof numbered, "Trip%03d.jpg", ++highest);
    allMoved &= SystemFileServices()
                    .moveFile(scene.source() + "/" + name, scene.target() + "/" + numbered)
                    .moved();
  }
  return allMoved;
}

// The user's next run over what is left: the unnumbered pictures selected. False when it reports
// a failure.
bool ResumeAsTheUserWould(const Scene& scene) {
  const std::string extension = "jpg";
  FileListing sources(scene.source(), SourcePattern(extension));
  for (std::size_t index = 0; index < sources.count(); ++index)
    sources.setSelected(index, !IsNumbered(sources.entry(index)));
  FileListing targets(scene.target(), TargetPattern("Trip", extension));
  const test::FixedText stem("Trip");
  const test::FixedDirectory sourcePath(scene.source()), targetPath(scene.target());
  test::RecordedFailures report;
  RunRename(
      {stem, extension, sources, targets, sourcePath, targetPath, SystemFileServices(), report});
  return report.failures.empty();
}

// What is on disk, with what a kill may leave that is not a picture set apart.
struct Inspection {
  FileCensus pictures;
  int temporaries = 0;
  int emptyNumbered = 0;
  int marks = 0;         // marks beside reservations
  int duplicates = 0;    // pictures held under more than one name
  int leftInSource = 0;  // pictures still under their original name
};

Inspection Inspect(const Scene& scene) {
  Inspection seen;
  std::map<std::string, int> holders;
  for (const auto& [path, content] : TakeCensus(scene.directories())) {
    const std::string name = path.substr(path.rfind('/') + 1);
    if (IsTemporaryName(name)) {
      ++seen.temporaries;
    } else if (IsReservationMark(name)) {
      ++seen.marks;
    } else if (IsNumbered(name) && content.empty()) {
      ++seen.emptyNumbered;
    } else {
      seen.pictures[path] = content;
      seen.leftInSource += !IsNumbered(name);
      ++holders[content];
    }
  }
  for (const auto& [content, count] : holders)
    seen.duplicates += count > 1;
  return seen;
}

// Runs the three moves in a child that kills itself right before its `killAt`-th call. True when
// it was killed; false when it finished first (after checking that every move succeeded).
bool KilledAt(const MovePath& path, const Scene& scene, int killAt) {
  const pid_t child = fork();
  if (child == 0) {
    ArmedSeam seam(path.refusals);
    seam.faults.before = nullptr;
    seam.faults.killAt = killAt;
    _exit(MoveTheRest(scene) ? 0 : 1);
  }
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  if (WIFSIGNALED(status)) {
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    return true;
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a move failed unkilled";
  return false;
}

class MoveCrashPointsTest : public testing::TestWithParam<MovePath> {
 protected:
  void SetUp() override {
    struct stat shm, tmp;
    TempDir probe;
    if (GetParam().crossDevice &&
        (stat("/dev/shm", &shm) != 0 || stat(probe.path().c_str(), &tmp) != 0 ||
         shm.st_dev == tmp.st_dev))
      GTEST_SKIP() << "needs /dev/shm on another file system than " << probe.path();
  }
};

TEST_P(MoveCrashPointsTest, NoPictureLostOrPartialAtAnyKillAndNoneDoubledOrStrayAfterResuming) {
  const MovePath& path = GetParam();
  int callsOfARun = 0;
  {
    const Scene scene(path.crossDevice);
    ArmedSeam seam(path.refusals);
    ASSERT_TRUE(MoveTheRest(scene));
    EXPECT_TRUE(seam.saw(path.publishedBy)) << "took another way than " << path.name;
    callsOfARun = seam.faults.calls;
  }

  int killPoints = 0, doubledAfterResume = 0, reservationsLeft = 0;
  for (int killAt = 1;; ++killAt) {
    SCOPED_TRACE("killed before call " + std::to_string(killAt));
    const Scene scene(path.crossDevice);
    const FileCensus before = TakeCensus(scene.directories());
    if (!KilledAt(path, scene, killAt))
      break;
    ++killPoints;

    const Inspection killed = Inspect(scene);
    EXPECT_TRUE(NothingLost(before, killed.pictures));
    EXPECT_LE(killed.emptyNumbered, path.mayLeaveReservation ? 1 : 0);

    {
      ArmedSeam sameFileSystem(path.refusals);
      EXPECT_TRUE(ResumeAsTheUserWould(scene));
    }
    const Inspection resumed = Inspect(scene);
    EXPECT_TRUE(NothingLost(before, resumed.pictures));
    EXPECT_EQ(resumed.leftInSource, 0);
    EXPECT_EQ(resumed.temporaries, 0);
    EXPECT_EQ(resumed.marks, 0);
    // A reservation is marked before it is made, and the resumed run removes it.
    EXPECT_EQ(resumed.emptyNumbered, 0);
    // The two-step ways have an instant at which a picture has two names, between publishing the
    // new name and removing the old; the resumed run finishes that move instead of repeating it.
    EXPECT_EQ(resumed.duplicates, 0);
    doubledAfterResume += resumed.duplicates;
    reservationsLeft += resumed.emptyNumbered;
  }

  EXPECT_EQ(killPoints, callsOfARun);
  std::printf("%s: %d kill points, %d left a picture under two names, %d an empty reservation\n",
              path.name, killPoints, doubledAfterResume, reservationsLeft);
  RecordProperty("kill_points", killPoints);
  RecordProperty("doubled_after_resume", doubledAfterResume);
  RecordProperty("reservations_left", reservationsLeft);
}

INSTANTIATE_TEST_SUITE_P(EveryPath, MoveCrashPointsTest, testing::ValuesIn(kPaths),
                         [](const testing::TestParamInfo<MovePath>& info) {
                           std::string name = info.param.name;
                           std::replace_if(
                               name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                               '_');
                           return name;
                         });

}  // namespace
}  // namespace varnoth
