// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_listing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/list_entries.h"
#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

using test::EntriesOf;
using test::TempDir;
using test::WriteFile;
using Names = std::vector<std::string>;

TEST(FileListingTest, FiltersWithThePatternIgnoringCase) {
  TempDir dir;
  for (const char* name : {"b.jpg", "A.JPG", "c.jpeg", "jpg", "d.jpg.bak", "Trip2.jpg"}) {
    WriteFile(dir / name, name);
  }
  const struct {
    const char* pattern;
    Names expected;
  } cases[] = {
      {"*.jpg", {"A.JPG", "b.jpg", "Trip2.jpg"}},
      {"trip*.JPG", {"Trip2.jpg"}},
      {"*", {"A.JPG", "b.jpg", "c.jpeg", "d.jpg.bak", "jpg", "Trip2.jpg"}},
      {"*.gif", {}},
  };
  FileListing listing(dir.path(), "*");
  for (const auto& c : cases) {
    ASSERT_FALSE(listing.setPattern(c.pattern));
    EXPECT_EQ(EntriesOf(listing), c.expected) << c.pattern;
  }
}

TEST(FileListingTest, EverySetRereadsClearsTheSelectionAndResetsTheView) {
  TempDir dir;
  FileListing listing(dir.path(), "*.jpg");
  std::vector<std::string> calls;
  listing.setResetCallbacks(
      [&] { calls.push_back("about to reset with " + std::to_string(listing.count())); },
      [&] { calls.push_back("reset with " + std::to_string(listing.count())); });
  WriteFile(dir / "0.jpg", "");
  ASSERT_FALSE(listing.refresh());
  const struct {
    const char* description;
    std::function<std::error_code()> reread;
  } cases[] = {
      {"setting the same path", [&] { return listing.setPath(dir.path()); }},
      {"setting the same pattern", [&] { return listing.setPattern("*.jpg"); }},
      {"refreshing", [&] { return listing.refresh(); }},
  };
  int created = 0;
  for (const auto& c : cases) {
    listing.setSelected(0, true);
    const std::string name = std::to_string(++created) + ".jpg";
    WriteFile(dir / name, "");
    calls.clear();

    ASSERT_FALSE(c.reread()) << c.description;

    EXPECT_EQ(listing.entry(listing.count() - 1), name) << c.description;
    EXPECT_FALSE(listing.isSelected(0)) << c.description;
    EXPECT_EQ(calls, (Names{"about to reset with " + std::to_string(created),
                            "reset with " + std::to_string(created + 1)}))
        << c.description;
  }
}

TEST(FileListingTest, AnUnreadableDirectoryEmptiesTheListButKeepsWhereItPoints) {
  TempDir parent;
  const std::string dir = parent / "photos";
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  WriteFile(dir + "/a.jpg", "a");
  WriteFile(dir + "/b.jpg", "b");
  FileListing listing(dir, "*.jpg");
  listing.setSelected(1, true);
  int resets = 0;
  listing.setResetCallbacks([&] { ++resets; }, [] {});

  EXPECT_EQ(listing.setPath(dir + "/a.jpg"), std::errc::not_a_directory);
  EXPECT_EQ(listing.count(), 0u);
  EXPECT_EQ(listing.path(), dir + "/a.jpg");

  ASSERT_EQ(listing.setPath(dir), std::error_code());
  ASSERT_EQ(rename(dir.c_str(), (parent / "moved").c_str()), 0);
  EXPECT_EQ(listing.setPattern("*.gif"), std::errc::no_such_file_or_directory);
  EXPECT_EQ(listing.pattern(), "*.gif");
  EXPECT_EQ(listing.count(), 0u) << "the entries of a vanished directory are not shown";
  EXPECT_EQ(listing.refresh(), std::errc::no_such_file_or_directory);
  EXPECT_EQ(resets, 4);

  // A list whose directory vanished can be pointed somewhere readable again.
  EXPECT_EQ(listing.setPath(parent / "moved"), std::error_code());
  EXPECT_EQ(listing.setPattern("*.jpg"), std::error_code());
  EXPECT_EQ(EntriesOf(listing), (Names{"a.jpg", "b.jpg"}));
}

TEST(FileListingTest, ListsAHundredThousandFilesWhole) {
  constexpr std::size_t kFiles = 100'000;
  TempDir dir;
  for (std::size_t i = 1; i <= kFiles; ++i) {
    const std::string path = dir / ("p" + std::to_string(i) + ".jpg");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    close(fd);
  }
  WriteFile(dir / "other.gif", "");

  FileListing listing(dir.path(), "*.jpg");

  ASSERT_EQ(listing.count(), kFiles);
  for (std::size_t i = 0; i < kFiles; ++i) {
    ASSERT_EQ(listing.entry(i), "p" + std::to_string(i + 1) + ".jpg");
  }
  listing.setSelected(kFiles - 1, true);
  EXPECT_TRUE(listing.isSelected(kFiles - 1));
  // p99, p990 to p999, p9900 to p9999 and p99000 to p99999.
  ASSERT_FALSE(listing.setPattern("P99*.JPG"));
  EXPECT_EQ(listing.count(), 1111u);
}

}  // namespace
}  // namespace varnoth
