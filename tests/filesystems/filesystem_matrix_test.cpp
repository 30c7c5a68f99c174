// SPDX-License-Identifier: GPL-3.0-or-later
// Rename runs on real file systems: each run of this binary gets one freshly made and mounted
// file system from filesystem_image.sh (its type and mount point in the environment), and moves
// files in place on it, onto it and off it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "file_listing.h"
#include "naming.h"
#include "natural_order.h"
#include "tests/engine/run_scene.h"
#include "tests/support/list_entries.h"
#include "tests/support/temp_dir.h"

namespace varnoth::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

struct MountedFileSystem {
  std::string type;
  std::string mount;
  std::string work;    // a directory beside the mount point, for further images
  std::string script;  // filesystem_image.sh
};

const char* Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

MountedFileSystem Mounted() {
  return {Environment("VARNOTH_FS_TYPE"), Environment("VARNOTH_FS_MOUNT"),
          Environment("VARNOTH_FS_WORK"), Environment("VARNOTH_FS_SCRIPT")};
}

#define SKIP_UNLESS_MOUNTED()                                                                 \
  if (Mounted().mount.empty())                                                                \
  GTEST_SKIP() << "run through tests/filesystems/filesystem_image.sh with TYPE, which makes " \
                  "and mounts the file system"

int Script(const std::vector<std::string>& arguments) {
  std::string command = "'" + Mounted().script + "'";
  for (const std::string& argument : arguments)
    command += " '" + argument + "'";
  return std::system(command.c_str());
}

// The root of a card is where its directory times are least kept: FAT has none for it.
enum class Place { kMounted, kMountRoot, kOrdinary };

struct MoveCase {
  const char* name;
  Place source;
  Place target;
  bool inPlace;
  bool nextNameTaken;  // by a directory, which the target list cannot show
};

void PrintTo(const MoveCase& c, std::ostream* out) {
  *out << c.name;
}

class FileSystemMatrix : public testing::TestWithParam<MoveCase> {};

TEST_P(FileSystemMatrix, MovesEverySelectedFileAndLosesNothing) {
  SKIP_UNLESS_MOUNTED();
  const MoveCase& c = GetParam();
  TempDir mounted(Mounted().mount), ordinary;
  const auto where = [&](Place place) {
    switch (place) {
      case Place::kMounted:
        return mounted.path();
      case Place::kMountRoot:
        return Mounted().mount;
      case Place::kOrdinary:
        break;
    }
    return ordinary.path();
  };
  const std::string source = where(c.source);
  const std::string target = c.inPlace ? source : where(c.target);
  Photo(target, "Trip001.jpg");
  for (auto name : {"a.jpg", "b.jpg", "c.jpg"})
    Photo(source, name);
  const std::string taken = target + "/Trip002.jpg";
  if (c.nextNameTaken) {
    fs::create_directory(taken);
    Photo(taken, "inside.jpg");
  }

  const RunOutcome outcome =
      RunOn({.sourceDir = source, .targetDir = target, .selected = {"a.jpg", "b.jpg", "c.jpg"}});

  Holdings expected = {{"Trip001.jpg", "Trip001.jpg"}};
  Names messages, left;
  if (c.nextNameTaken) {
    messages.push_back("Failure converting file. Cannot copy '\u2068" + source +
                       "/a.jpg\u2069' to '\u2068" + taken + "\u2069': File exists.");
    left.push_back("a.jpg");
    expected.insert({{"Trip003.jpg", "b.jpg"}, {"Trip004.jpg", "c.jpg"}});
    EXPECT_EQ(ReadFile(taken + "/inside.jpg"), "photo of inside.jpg");
  } else {
    expected.insert({{"Trip002.jpg", "a.jpg"}, {"Trip003.jpg", "b.jpg"}, {"Trip004.jpg", "c.jpg"}});
  }
  if (c.inPlace) {
    for (const auto& [name, original] : expected)
      left.push_back(name);
    if (c.nextNameTaken)
      expected.insert({"a.jpg", "a.jpg"});
  }
  EXPECT_EQ(outcome.messages, messages);
  EXPECT_EQ(HoldingsOf(target), expected);
  EXPECT_EQ(outcome.sourceList, left) << "the refreshed source list";
  if (!c.inPlace) {
    Names filesLeft;
    for (const auto& [name, original] : HoldingsOf(source))
      filesLeft.push_back(name);
    EXPECT_EQ(filesLeft, left);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Moves, FileSystemMatrix,
    testing::Values(
        MoveCase{"in_place", Place::kMounted, Place::kMounted, true, false},
        MoveCase{"onto_it", Place::kOrdinary, Place::kMounted, false, false},
        MoveCase{"off_it", Place::kMounted, Place::kOrdinary, false, false},
        MoveCase{"off_its_root", Place::kMountRoot, Place::kOrdinary, false, false},
        MoveCase{"in_place_next_name_taken", Place::kMounted, Place::kMounted, true, true},
        MoveCase{"onto_it_next_name_taken", Place::kOrdinary, Place::kMounted, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

Names Listed(const std::string& directory) {
  return test::EntriesOf(FileListing(directory, SourcePattern("jpg")));
}

// Big enough that ext4 reads it on two threads, one from each half of its names' hashes: every
// name is listed once, in order, whichever half its hash fell in. Hard links, so that the small
// image has inodes enough.
TEST(FileSystemBigFolder, ListsEveryNameOnce) {
  SKIP_UNLESS_MOUNTED();
  const std::string type = Mounted().type;
  if (type != "ext4" && type != "xfs" && type != "btrfs")
    GTEST_SKIP() << "30,000 names are made on the local file systems only";
  TempDir mounted(Mounted().mount);
  Photo(mounted.path(), "IMG_0.jpg");
  Names expected = {"IMG_0.jpg"};
  for (int i = 1; i < 30'000; ++i) {
    expected.push_back("IMG_" + std::to_string(i) + ".jpg");
    ASSERT_EQ(link((mounted / "IMG_0.jpg").c_str(), (mounted / expected.back()).c_str()), 0);
  }

  const Names listed = Listed(mounted.path());
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(), NaturalLess));
  Names sorted = listed;
  std::sort(sorted.begin(), sorted.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(sorted.size(), expected.size());
  EXPECT_TRUE(sorted == expected) << "names missing or listed twice";
}

// With the root's times set long ago, so that a file system that keeps them lets a read be
// reused.
void PutOneOldPhotoAtTheRoot(const MountedFileSystem& card, const std::string& name) {
  Photo(card.mount, name);
  if (card.type == "fat")
    return;  // fusefat's daemon dies when the root's times are set; they stay 0 anyway
  const timespec longAgo[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, card.mount.c_str(), longAgo, 0), 0);
}

// Leaves the second card mounted, a file system of the same type for any test after it.
TEST(FileSystemCardSwap, CardSwappedAtTheSameMountPointShowsTheNewCardsNames) {
  SKIP_UNLESS_MOUNTED();
  const MountedFileSystem card = Mounted();
  PutOneOldPhotoAtTheRoot(card, "a.jpg");
  ASSERT_EQ(Listed(card.mount), Names{"a.jpg"});
  ASSERT_EQ(Listed(card.mount), Names{"a.jpg"});

  const std::string secondImage = card.work + "/image2";
  ASSERT_EQ(Script({"unmount", card.mount}), 0);
  ASSERT_EQ(Script({"make", card.type, secondImage, "SECOND"}), 0);
  ASSERT_EQ(Script({"mount", card.type, secondImage, card.mount}), 0);
  PutOneOldPhotoAtTheRoot(card, "b.jpg");

  EXPECT_EQ(Listed(card.mount), Names{"b.jpg"});
  fs::remove(card.mount + "/b.jpg");
}

}  // namespace
}  // namespace varnoth::test
