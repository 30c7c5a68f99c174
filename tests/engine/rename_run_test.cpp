// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/engine/run_scene.h"
#include "tests/support/temp_dir.h"

namespace varnoth::test {
namespace {

using Names = std::vector<std::string>;
using testing::IsEmpty;

TEST(RenameRun, NumbersOnAfterTheHighestTargetNumberInNaturalListOrder) {
  TempDir source, target;
  for (auto name : {"Trip001.jpg", "Trip002.jpg", "Tripod.jpg"})
    Photo(target.path(), name);
  for (auto name : {"scan10.jpg", "scan2.jpg", "scan1.jpg", "scan3.jpg"}) {
    Photo(source.path(), name);
  }

  const RunOutcome outcome = RunOn({.sourceDir = source.path(),
                                    .targetDir = target.path(),
                                    .selected = {"scan10.jpg", "scan2.jpg", "scan1.jpg"}});

  EXPECT_THAT(outcome.messages, IsEmpty());
  EXPECT_EQ(HoldingsOf(target.path()), (Holdings{{"Tripod.jpg", "Tripod.jpg"},
                                                 {"Trip001.jpg", "Trip001.jpg"},
                                                 {"Trip002.jpg", "Trip002.jpg"},
                                                 {"Trip003.jpg", "scan1.jpg"},
                                                 {"Trip004.jpg", "scan2.jpg"},
                                                 {"Trip005.jpg", "scan10.jpg"}}));
  EXPECT_EQ(outcome.sourceList, Names{"scan3.jpg"});
  EXPECT_EQ(outcome.targetList.size(), 6u);
}

TEST(RenameRun, InPlaceRunsNumberOnAndTakeTheExtensionAsChosen) {
  TempDir dir;
  for (auto name : {"IMG_7.JPG", "Trip004.jpg", "IMG_9.jpg", "notes.txt"}) {
    Photo(dir.path(), name);
  }
  RunOn(
      {.sourceDir = dir.path(), .targetDir = dir.path(), .selected = {"IMG_7.JPG", "Trip004.jpg"}});
  RunOn({.sourceDir = dir.path(), .targetDir = dir.path(), .selected = {"IMG_9.jpg"}});

  EXPECT_EQ(HoldingsOf(dir.path()), (Holdings{{"notes.txt", "notes.txt"},
                                              {"Trip005.jpg", "IMG_7.JPG"},
                                              {"Trip006.jpg", "Trip004.jpg"},
                                              {"Trip007.jpg", "IMG_9.jpg"}}));
}

TEST(RenameRun, NothingSelectedMovesNothingButRefreshesBothLists) {
  TempDir source, target;
  Photo(source.path(), "a.jpg");
  const RunOutcome outcome =
      RunOn({.sourceDir = source.path(), .targetDir = target.path(), .afterListing = [&] {
               Photo(source.path(), "b.jpg");
               Photo(target.path(), "Trip001.jpg");
             }});

  EXPECT_THAT(outcome.messages, IsEmpty());
  EXPECT_EQ(outcome.sourceList, (Names{"a.jpg", "b.jpg"}));
  EXPECT_EQ(outcome.targetList, Names{"Trip001.jpg"});
}

struct RefusedCase {
  const char* name;
  const char* stem;
  const char* message;
};

class RefusedRun : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedRun, ShowsOneMessageAndTouchesNothing) {
  TempDir source, target;
  Photo(source.path(), "a.jpg");
  std::filesystem::create_directory(target / "sub");
  const RunOutcome outcome = RunOn({.sourceDir = source.path(),
                                    .targetDir = target.path(),
                                    .stem = GetParam().stem,
                                    .selected = {"a.jpg"},
                                    .afterListing = [&] { Photo(source.path(), "b.jpg"); }});

  EXPECT_EQ(outcome.messages, Names{GetParam().message});
  EXPECT_EQ(NamesIn(source.path()), (Names{"a.jpg", "b.jpg"}));
  EXPECT_EQ(NamesIn(target.path()), Names{"sub"});
  EXPECT_EQ(outcome.sourceList, Names{"a.jpg"}) << "the lists must not be refreshed";
}

constexpr const char* kSlashRefused = "The new file name must not contain \"/\".";
INSTANTIATE_TEST_SUITE_P(
    Stems, RefusedRun,
    testing::Values(RefusedCase{"empty", "", "Please enter new file name"},
                    RefusedCase{"leaving_the_target", "../Trip", kSlashRefused},
                    RefusedCase{"entering_a_subdirectory", "sub/Trip", kSlashRefused},
                    RefusedCase{"hidden", ".Trip", "The new file name must not begin with \".\"."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RenameRun, MovesNamesThatAreNotUtf8ByteExact) {
  TempDir parent;
  const std::string dir = parent / "Fotos\xe9";
  std::filesystem::create_directory(dir);
  Photo(dir, "IMG_\xff\xfe.jpg");
  const RunOutcome outcome = RunOn(
      {.sourceDir = dir, .targetDir = dir, .stem = "Fotos\xe9", .selected = {"IMG_\xff\xfe.jpg"}});

  EXPECT_THAT(outcome.messages, IsEmpty());
  EXPECT_EQ(HoldingsOf(dir), (Holdings{{"Fotos\xe9"
                                        "001.jpg",
                                        "IMG_\xff\xfe.jpg"}}));
}

dev_t DeviceOf(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 ? status.st_dev : 0;
}

TEST(RenameRun, MovesAcrossFileSystemsKeepingTheModificationTime) {
  TempDir source;
  if (DeviceOf("/dev/shm") == 0 || DeviceOf("/dev/shm") == DeviceOf(source.path())) {
    GTEST_SKIP() << "/dev/shm is not a file system apart from " << source.path();
  }
  TempDir target("/dev/shm");
  Photo(source.path(), "a.jpg");
  Photo(source.path(), "b.jpg");
  const auto taken = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365);
  std::filesystem::last_write_time(source / "a.jpg", taken);
  const RunOutcome outcome = RunOn(
      {.sourceDir = source.path(), .targetDir = target.path(), .selected = {"a.jpg", "b.jpg"}});

  EXPECT_THAT(outcome.messages, IsEmpty());
  EXPECT_EQ(HoldingsOf(target.path()),
            (Holdings{{"Trip001.jpg", "a.jpg"}, {"Trip002.jpg", "b.jpg"}}));
  EXPECT_THAT(NamesIn(source.path()), IsEmpty());
  EXPECT_EQ(std::filesystem::last_write_time(target / "Trip001.jpg"), taken);
}

}  // namespace
}  // namespace varnoth::test
