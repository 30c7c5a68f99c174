// SPDX-License-Identifier: GPL-3.0-or-later
// What takes a listed picture's name before it is moved (a symbolic link, a fifo, a directory)
// is never followed, read, copied or moved, on one file system or across two.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "posix_file_services.h"
#include "tests/platform/armed_seam.h"
#include "tests/support/file_census.h"
#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

using test::ArmedSeam;
using test::NothingLost;
using test::ReadFile;
using test::TakeCensus;
using test::TempDir;

const std::string kSecret = "what only the user may read";
const std::string kInside = "another picture of the folder";

// The listed picture's folder, a folder outside it with a file the user can read, and the target.
struct Places {
  TempDir source;
  TempDir outside;
  std::unique_ptr<TempDir> target;

  std::string listed() const { return source / "a.jpg"; }
  std::string secret() const { return outside / "secret.txt"; }
};

void Check(int result, const std::string& what) {
  ASSERT_EQ(result, 0) << what;
}

// What takes the listed name.
const struct EntryKind {
  const char* name;
  std::function<void(const Places&)> make;
} kEntryKinds[] = {
    {"link to a file inside the folder",
     [](const Places& at) { Check(symlink("inside.jpg", at.listed().c_str()), "symlink"); }},
    {"link to a file outside the folder",
     [](const Places& at) { Check(symlink(at.secret().c_str(), at.listed().c_str()), "symlink"); }},
    {"link to a directory",
     [](const Places& at) {
       Check(symlink(at.outside.path().c_str(), at.listed().c_str()), "symlink");
     }},
    {"dangling link",
     [](const Places& at) { Check(symlink("nothing.jpg", at.listed().c_str()), "symlink"); }},
    {"fifo", [](const Places& at) { Check(mkfifo(at.listed().c_str(), 0666), "mkfifo"); }},
    {"directory", [](const Places& at) { Check(mkdir(at.listed().c_str(), 0777), "mkdir"); }},
};

// When the entry takes the name: before the move looks, or after it looked and found the picture
// (the picture then moves aside, as another program might rename it).
enum class When { kBeforeTheCheck, kAfterTheCheck };

// Where the move is made: by one rename, by a link where the file system renames only by
// replacing, or by a byte copy onto another file system.
enum class Way { kRename, kLink, kCrossDevice };

struct Case {
  const EntryKind* kind;
  When when;
  Way way;
};

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  std::string name = std::string(info.param.kind->name) +
                     (info.param.when == When::kBeforeTheCheck ? " before" : " after") +
                     (info.param.way == Way::kRename ? " rename"
                      : info.param.way == Way::kLink ? " link"
                                                     : " across");
  for (char& c : name)
    c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

class MoveEntryKindsTest : public testing::TestWithParam<Case> {};

TEST_P(MoveEntryKindsTest, MovesOnlyTheListedRegularFileAndNeverWhatALinkPointsTo) {
  const Case& which = GetParam();
  Places at;
  struct stat shm, tmp;
  ASSERT_EQ(stat(at.source.path().c_str(), &tmp), 0);
  const bool shmApart = stat("/dev/shm", &shm) == 0 && shm.st_dev != tmp.st_dev;
  const bool crossDevice = which.way == Way::kCrossDevice;
  if (crossDevice && !shmApart)
    GTEST_SKIP() << "needs /dev/shm on another file system than " << at.source.path();
  at.target = crossDevice ? std::make_unique<TempDir>("/dev/shm") : std::make_unique<TempDir>();
  test::WriteFile(at.secret(), kSecret);
  test::WriteFile(at.source / "inside.jpg", kInside);
  test::WriteFile(at.listed(), "the listed picture");
  const std::string to = *at.target / "Trip001.jpg";

  auto takeTheName = [&] {
    Check(rename(at.listed().c_str(), (at.source / "aside.jpg").c_str()), "rename aside");
    which.kind->make(at);
  };
  if (which.when == When::kBeforeTheCheck)
    takeTheName();
  const std::vector<std::string> directories = {at.source.path(), at.outside.path(),
                                                at.target->path()};
  const auto before = TakeCensus(directories);

  MoveResult result;
  {
    // The seam's first call is the move's first step after its check.
    ArmedSeam seam(which.way == Way::kLink ? test::Refusals{{sys::Call::kRenameNoReplace, EINVAL}}
                                           : test::Refusals{});
    bool taken = which.when == When::kBeforeTheCheck;
    seam.faults.before = [&](sys::Call) {
      if (!taken) {
        taken = true;
        takeTheName();
      }
    };
    result = SystemFileServices().moveFile(at.listed(), to);
  }
  const auto after = TakeCensus(directories);

  // Nothing but the checked picture is ever moved. An entry that took the name after the check
  // is caught after a rename or link on one file system and put back under the listed name, or
  // refused where no rename or link takes it (a directory is never linked); a copy refuses it as
  // it opens it.
  EXPECT_FALSE(result.moved());
  EXPECT_EQ(result.failedStep, MoveResult::Step::kCopy);
  if (result.error == MoveError::kReplacedPutBack) {
    EXPECT_EQ(which.when, When::kAfterTheCheck);
    EXPECT_FALSE(crossDevice);
  } else {
    EXPECT_EQ(result.error, MoveError::kNotRegularFile) << result.error.message();
    EXPECT_EQ(result.error.message(), "not a regular file");
  }
  struct stat listed, missing;
  ASSERT_EQ(lstat(at.listed().c_str(), &listed), 0) << "the entry is not under the listed name";
  EXPECT_FALSE(S_ISREG(listed.st_mode));
  EXPECT_NE(lstat(to.c_str(), &missing), 0) << "the refused move left a name behind";
  EXPECT_EQ(ReadFile(at.secret()), kSecret);
  EXPECT_EQ(ReadFile(at.source / "inside.jpg"), kInside);
  EXPECT_EQ(after.count(to), 0u) << "the numbered name holds bytes it read through the entry";
  EXPECT_TRUE(test::NamesIn(at.target->path()).empty());
  EXPECT_TRUE(NothingLost(before, after));
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const EntryKind& kind : kEntryKinds) {
    for (When when : {When::kBeforeTheCheck, When::kAfterTheCheck}) {
      for (Way way : {Way::kRename, Way::kLink, Way::kCrossDevice})
        cases.push_back({&kind, when, way});
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, MoveEntryKindsTest, testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace varnoth
