// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory_snapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

using test::TempDir;
using test::WriteFile;
using Names = std::vector<std::string>;

std::shared_ptr<const DirectorySnapshot> Read(const std::string& directory) {
  std::error_code error;
  auto snapshot = ReadDirectorySnapshot(directory, error);
  EXPECT_FALSE(error) << directory << ": " << error.message();
  return snapshot ? snapshot : std::make_shared<DirectorySnapshot>();
}

void SetModified(const std::string& path, timespec modified) {
  const timespec times[2] = {modified, modified};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// tmpfs keeps directory times, so reads there may be reused; the suite's own temporary
// directory may be on a file system whose reads never are.
constexpr const char* kCachingParent = "/dev/shm";
constexpr long kTmpfsMagic = 0x01021994;

bool CachingParentAvailable() {
  struct statfs status;
  return statfs(kCachingParent, &status) == 0 && status.f_type == kTmpfsMagic;
}

void SetModifiedRelativeToNow(const std::string& path, long offsetSeconds) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  SetModified(path, {now.tv_sec + offsetSeconds, now.tv_nsec});
}

TEST(DirectorySnapshotTest, ListsRegularVisibleFilesInNaturalOrderByteExact) {
  TempDir dir;
  for (const char* name : {"scan10.jpg", "Scan2.jpg", "scan1.jpg", ".hidden.jpg", "Trip\xff\xfe"}) {
    WriteFile(dir / name, name);
  }
  ASSERT_EQ(mkdir((dir / "album.jpg").c_str(), 0777), 0);
  ASSERT_EQ(symlink("scan1.jpg", (dir / "link.jpg").c_str()), 0);
  ASSERT_EQ(symlink("missing", (dir / "dangling.jpg").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "pipe.jpg").c_str(), 0666), 0);

  ASSERT_EQ(mkdir((dir / ".cache").c_str(), 0777), 0);
  ASSERT_EQ(symlink(".", (dir / "loop").c_str()), 0);

  const auto snapshot = Read(dir.path());
  EXPECT_EQ(snapshot->names, (Names{"scan1.jpg", "Scan2.jpg", "scan10.jpg", "Trip\xff\xfe"}));
  EXPECT_EQ(snapshot->subdirectories, (Names{"album.jpg", "loop"}))
      << "no hidden ones, no links to files, links to directories";

  std::error_code error;
  EXPECT_EQ(ReadDirectorySnapshot(dir / "missing", error), nullptr);
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
  EXPECT_EQ(ReadDirectorySnapshot(dir / "scan1.jpg", error), nullptr);
  EXPECT_EQ(error, std::errc::not_a_directory);
}

TEST(DirectorySnapshotTest, ReusesAReadOnlyWhenTheDirectoryWasOldEnough) {
  if (!CachingParentAvailable())
    GTEST_SKIP() << kCachingParent << " is not a tmpfs";
  const struct {
    const char* description;
    bool relativeToNow;
    long modifiedSeconds;
    bool reused;
  } cases[] = {
      {"changed a minute before the read", true, -60, true},
      {"changed a second before the read, within a FAT timestamp tick", true, -1, false},
      {"changed now", true, 0, false},
      {"stamped in the future", true, 60, false},
      {"changed long ago", false, 1'000'000'000, true},
      {"stamped 0, as a FUSE FAT card stamps every directory", false, 0, false},
  };
  for (const auto& c : cases) {
    TempDir dir(kCachingParent);
    WriteFile(dir / "a.jpg", "a");
    if (c.relativeToNow)
      SetModifiedRelativeToNow(dir.path(), c.modifiedSeconds);
    else
      SetModified(dir.path(), {c.modifiedSeconds, 0});
    auto first = Read(dir.path());
    auto second = Read(dir.path());
    EXPECT_EQ(first == second, c.reused) << c.description;
    EXPECT_EQ(second->names, Names{"a.jpg"}) << c.description;
  }
}

TEST(DirectorySnapshotTest, ListsLinksToDirectoriesAsSubdirectoriesAndNoOtherLinks) {
  TempDir elsewhere;
  ASSERT_EQ(mkdir((elsewhere / "photos").c_str(), 0777), 0);
  WriteFile(elsewhere / "photo.jpg", "p");
  ASSERT_EQ(mkfifo((elsewhere / "pipe").c_str(), 0666), 0);
  const struct {
    const char* description;
    std::string target;
    bool subdirectory;
  } cases[] = {
      {"a link to a directory", elsewhere / "photos", true},
      {"a relative link to a directory", "..", true},
      {"a link to a link to a directory", "link0", true},
      {"a link to a file", elsewhere / "photo.jpg", false},
      {"a link to a pipe", elsewhere / "pipe", false},
      {"a dangling link", elsewhere / "missing", false},
      {"a link to itself", "link6", false},
  };
  TempDir dir;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string link = "link" + std::to_string(i);
    ASSERT_EQ(symlink(cases[i].target.c_str(), (dir / link).c_str()), 0) << cases[i].description;
  }
  ASSERT_EQ(symlink((elsewhere / "photos").c_str(), (dir / ".hidden").c_str()), 0);

  const auto snapshot = Read(dir.path());
  EXPECT_EQ(snapshot->names, Names{}) << "links are never files to move";
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string link = "link" + std::to_string(i);
    const bool listed = std::find(snapshot->subdirectories.begin(), snapshot->subdirectories.end(),
                                  link) != snapshot->subdirectories.end();
    EXPECT_EQ(listed, cases[i].subdirectory) << cases[i].description;
  }
  EXPECT_EQ(snapshot->subdirectories.size(), 3u) << "not the hidden link";
}

// With coarse timestamps, a file created in the same tick as the previous read leaves the
// directory's times as they were; repeating makes that likely to happen at least once.
TEST(DirectorySnapshotTest, FileCreatedRightAfterAReadAppearsAtTheNextRead) {
  if (!CachingParentAvailable())
    GTEST_SKIP() << kCachingParent << " is not a tmpfs";
  TempDir dir(kCachingParent);
  for (int i = 0; i < 300; ++i) {
    Read(dir.path());
    WriteFile(dir / ("f" + std::to_string(i)), "x");
    ASSERT_EQ(Read(dir.path())->names.size(), static_cast<std::size_t>(i + 1)) << "f" << i;
  }
}

TEST(DirectorySnapshotTest, ChangesToAnOldDirectoryAreSeen) {
  if (!CachingParentAvailable())
    GTEST_SKIP() << kCachingParent << " is not a tmpfs";
  const timespec kLongAgo = {1'000'000'000, 0};
  TempDir dir(kCachingParent);
  WriteFile(dir / "a.jpg", "a");
  const struct {
    const char* description;
    std::function<void()> change;
    Names expected;
  } cases[] = {
      {"a file created", [&] { WriteFile(dir / "b.jpg", "b"); }, {"a.jpg", "b.jpg"}},
      {"a file renamed",
       [&] { ASSERT_EQ(rename((dir / "a.jpg").c_str(), (dir / "c.jpg").c_str()), 0); },
       {"b.jpg", "c.jpg"}},
      // Copying tools fill a directory, then set its time back to the original's.
      {"a file created and the time set back",
       [&] {
         WriteFile(dir / "d.jpg", "d");
         SetModified(dir.path(), kLongAgo);
       },
       {"b.jpg", "c.jpg", "d.jpg"}},
  };
  for (const auto& c : cases) {
    SetModified(dir.path(), kLongAgo);
    auto cached = Read(dir.path());
    ASSERT_EQ(Read(dir.path()), cached) << c.description;
    c.change();
    EXPECT_EQ(Read(dir.path())->names, c.expected) << c.description;
  }
}

}  // namespace
}  // namespace varnoth
