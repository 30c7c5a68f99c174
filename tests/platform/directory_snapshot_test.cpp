#include "platform/directory_snapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
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
  EXPECT_TRUE(snapshot) << directory;
  return snapshot;
}

Names NamesOf(const std::string& directory) {
  auto snapshot = Read(directory);
  return snapshot ? snapshot->names : Names{};
}

// Sets the modification time of `path` to the clock plus `offsetSeconds`.
void SetModifiedRelativeToNow(const std::string& path, long offsetSeconds) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  const timespec times[2] = {now, {now.tv_sec + offsetSeconds, now.tv_nsec}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST(DirectorySnapshotTest, ListsRegularVisibleFilesInNaturalOrder) {
  TempDir dir;
  for (const char* name : {"scan10.jpg", "Scan2.jpg", "scan1.jpg", ".hidden.jpg", "notes"}) {
    WriteFile(dir / name, name);
  }
  ASSERT_EQ(mkdir((dir / "album.jpg").c_str(), 0777), 0);
  ASSERT_EQ(mkdir((dir / ".git").c_str(), 0777), 0);
  ASSERT_EQ(symlink("scan1.jpg", (dir / "link.jpg").c_str()), 0);
  ASSERT_EQ(symlink("missing", (dir / "dangling.jpg").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "pipe.jpg").c_str(), 0666), 0);

  EXPECT_EQ(NamesOf(dir.path()), (Names{"notes", "scan1.jpg", "Scan2.jpg", "scan10.jpg"}));
}

TEST(DirectorySnapshotTest, KeepsNamesThatAreNotUtf8ByteExact) {
  TempDir dir;
  const std::string name = "Trip\xff\xfe\x80.jpg";
  WriteFile(dir / name, "photo");
  EXPECT_EQ(NamesOf(dir.path()), Names{name});
}

TEST(DirectorySnapshotTest, ReportsWhyADirectoryCannotBeRead) {
  TempDir dir;
  WriteFile(dir / "file.jpg", "x");
  const struct {
    const char* description;
    std::string path;
    std::errc expected;
  } cases[] = {
      {"a missing directory", dir / "missing", std::errc::no_such_file_or_directory},
      {"a regular file", dir / "file.jpg", std::errc::not_a_directory},
  };
  for (const auto& c : cases) {
    std::error_code error;
    EXPECT_EQ(ReadDirectorySnapshot(c.path, error), nullptr) << c.description;
    EXPECT_EQ(error, c.expected) << c.description;
  }
}

TEST(DirectorySnapshotTest, ReusesAReadOnlyWhenTheDirectoryWasOldEnough) {
  const struct {
    const char* description;
    long modifiedOffsetSeconds;
    bool reused;
  } cases[] = {
      {"changed a minute before the read", -60, true},
      {"changed a second before the read, within a FAT timestamp tick", -1, false},
      {"changed now", 0, false},
      {"stamped in the future", 60, false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteFile(dir / "a.jpg", "a");
    SetModifiedRelativeToNow(dir.path(), c.modifiedOffsetSeconds);
    auto first = Read(dir.path());
    auto second = Read(dir.path());
    EXPECT_EQ(first == second, c.reused) << c.description;
    EXPECT_EQ(second->names, Names{"a.jpg"}) << c.description;
  }
}

// A file created in the same timestamp tick as the previous read leaves the directory's times
// unchanged; repeating makes that likely to happen at least once.
TEST(DirectorySnapshotTest, FileCreatedRightAfterAReadAppearsAtTheNextRead) {
  TempDir dir;
  for (int i = 0; i < 300; ++i) {
    Read(dir.path());
    WriteFile(dir / ("f" + std::to_string(i)), "x");
    auto after = Read(dir.path());
    ASSERT_EQ(after->names.size(), static_cast<std::size_t>(i + 1)) << "after creating f" << i;
    ASSERT_EQ(after->names.back(), "f" + std::to_string(i));
  }
}

TEST(DirectorySnapshotTest, ChangesToAnOldDirectoryAreSeen) {
  TempDir dir;
  WriteFile(dir / "a.jpg", "a");
  WriteFile(dir / "b.jpg", "b");

  SetModifiedRelativeToNow(dir.path(), -60);
  auto cached = Read(dir.path());
  ASSERT_EQ(Read(dir.path()), cached);
  WriteFile(dir / "c.jpg", "c");
  auto afterCreate = Read(dir.path());
  EXPECT_NE(afterCreate, cached);
  EXPECT_EQ(afterCreate->names, (Names{"a.jpg", "b.jpg", "c.jpg"}));

  SetModifiedRelativeToNow(dir.path(), -60);
  ASSERT_EQ(Read(dir.path()), Read(dir.path()));
  ASSERT_EQ(unlink((dir / "a.jpg").c_str()), 0);
  EXPECT_EQ(NamesOf(dir.path()), (Names{"b.jpg", "c.jpg"}));

  SetModifiedRelativeToNow(dir.path(), -60);
  ASSERT_EQ(Read(dir.path()), Read(dir.path()));
  ASSERT_EQ(rename((dir / "b.jpg").c_str(), (dir / "d.jpg").c_str()), 0);
  EXPECT_EQ(NamesOf(dir.path()), (Names{"c.jpg", "d.jpg"}));
}

// Copying tools fill a directory and then set its time back to the original's.
TEST(DirectorySnapshotTest, ChangeHiddenBySettingTheTimeBackIsSeen) {
  TempDir dir;
  WriteFile(dir / "a.jpg", "a");
  const timespec past[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, dir.path().c_str(), past, 0), 0);
  auto cached = Read(dir.path());
  ASSERT_EQ(Read(dir.path()), cached);

  WriteFile(dir / "b.jpg", "b");
  ASSERT_EQ(utimensat(AT_FDCWD, dir.path().c_str(), past, 0), 0);

  EXPECT_EQ(NamesOf(dir.path()), (Names{"a.jpg", "b.jpg"}));
}

TEST(DirectorySnapshotTest, DirectoryReplacedAtTheSamePathIsRead) {
  TempDir parent;
  const std::string path = parent / "photos";
  ASSERT_EQ(mkdir(path.c_str(), 0777), 0);
  WriteFile(path + "/old.jpg", "old");
  SetModifiedRelativeToNow(path, -60);
  ASSERT_EQ(Read(path), Read(path));

  ASSERT_EQ(rename(path.c_str(), (parent / "moved").c_str()), 0);
  ASSERT_EQ(mkdir(path.c_str(), 0777), 0);
  WriteFile(path + "/new.jpg", "new");
  SetModifiedRelativeToNow(path, -60);

  EXPECT_EQ(NamesOf(path), Names{"new.jpg"});
}

TEST(DirectorySnapshotTest, ManyDirectoriesKeepTheirOwnNames) {
  std::vector<std::unique_ptr<TempDir>> dirs;
  for (int i = 0; i < 9; ++i) {
    dirs.push_back(std::make_unique<TempDir>());
    WriteFile(*dirs.back() / ("only" + std::to_string(i)), "x");
    SetModifiedRelativeToNow(dirs.back()->path(), -60);
  }
  for (int round = 0; round < 3; ++round) {
    for (int i : {0, 1, 2, 0, 3, 4, 5, 6, 0, 7, 8, 1}) {
      EXPECT_EQ(NamesOf(dirs[i]->path()), Names{"only" + std::to_string(i)});
    }
  }
}

TEST(DirectorySnapshotTest, ForgettingMakesTheNextReadFresh) {
  TempDir dir;
  WriteFile(dir / "a.jpg", "a");
  SetModifiedRelativeToNow(dir.path(), -60);
  auto cached = Read(dir.path());
  ASSERT_EQ(Read(dir.path()), cached);

  ForgetDirectorySnapshots();

  auto fresh = Read(dir.path());
  EXPECT_NE(fresh, cached);
  EXPECT_EQ(fresh->names, cached->names);
}

}  // namespace
}  // namespace varnoth
