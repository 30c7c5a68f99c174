// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory_entries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "directory_snapshot.h"
#include "leftover_temporaries.h"
#include "tests/support/temp_dir.h"
#include "unanswered_folders.h"

namespace varnoth {
namespace {

using Names = std::vector<std::string>;

Names Sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::error_code ReadEntries(const std::string& directory, std::size_t limit,
                            DirectoryEntries& entries) {
  DIR* stream = opendir(directory.c_str());
  EXPECT_NE(stream, nullptr) << directory;
  const std::error_code error = ReadDirectoryEntries(stream, limit, entries);
  closedir(stream);
  return error;
}

// A folder small enough to be read whole, and one big enough that ext4 reads it in pieces of its
// hash range on several threads: every file, folder and link reaches the result once, whichever
// piece held it, a leftover mark anywhere is seen, and the listing limit holds either way.
TEST(DirectoryEntriesTest, EveryKindReachesTheResultOnceAndTheLimitHolds) {
  for (const int fileCount : {3, 12'000}) {
    test::TempDir dir;
    Names files;
    for (int i = 0; i < fileCount; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "photo_%05d.jpg", i);
      files.emplace_back(name);
      const int fd = open((dir / name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      ASSERT_GE(fd, 0) << name;
      close(fd);
    }
    const Names folders = {"sub1", "sub2", "sub3"};
    for (const auto& folder : folders)
      ASSERT_EQ(mkdir((dir / folder).c_str(), 0755), 0);
    const Names links = {"to_sub1", "to_nowhere"};
    ASSERT_EQ(symlink("sub1", (dir / links[0]).c_str()), 0);
    ASSERT_EQ(symlink("missing", (dir / links[1]).c_str()), 0);
    test::WriteFile(dir / ".hidden.jpg", "x");
    test::WriteFile(dir / ReservationMarkOf("photo_00000.jpg"), "");

    DirectoryEntries entries;
    ASSERT_FALSE(ReadEntries(dir.path(), kMaxListingBytes, entries)) << fileCount;
    Names listed;
    for (const auto& piece : entries.files)
      listed.insert(listed.end(), piece.begin(), piece.end());
    EXPECT_EQ(Sorted(listed), files) << fileCount << " files: names missing or listed twice";
    EXPECT_EQ(Sorted(entries.subdirectories), folders) << fileCount;
    EXPECT_EQ(Sorted(entries.links), Sorted(links)) << fileCount;
    EXPECT_TRUE(entries.leftoverMarks) << fileCount;

    DirectoryEntries limited;
    EXPECT_EQ(ReadEntries(dir.path(), 1024, limited), make_error_code(WaitError::kListingTooLong))
        << fileCount;
  }
}

}  // namespace
}  // namespace varnoth
