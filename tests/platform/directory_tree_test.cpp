// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "directory_tree.h"
#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

TEST(DirectoryTree, ShowsAncestorsThenTheDirectoryThenItsSubdirectoriesIndented) {
  test::TempDir dir;
  for (const char* sub : {"b10", "b9", "A", ".hidden"})
    std::filesystem::create_directory(dir / sub);
  test::WriteFile(dir / "file.jpg", "not a directory");
  std::filesystem::create_directory_symlink(dir / "A", dir / "link");

  std::error_code error;
  const auto items = ReadDirectoryTree(dir.path() + "/./", error);
  ASSERT_FALSE(error);

  const std::size_t depth = static_cast<std::size_t>(
      std::count(dir.path().begin(), dir.path().end(), '/'));  // ancestors below the root
  ASSERT_EQ(items.size(), depth + 1 + 4);
  EXPECT_EQ(items[0].name, "/");
  EXPECT_EQ(items[0].depth, 0);
  EXPECT_EQ(items[depth].path, dir.path());
  EXPECT_TRUE(items[depth].open);
  std::vector<std::string> children;
  for (std::size_t i = depth + 1; i < items.size(); ++i) {
    children.push_back(items[i].name);
    EXPECT_EQ(items[i].depth, static_cast<int>(depth) + 1);
    EXPECT_FALSE(items[i].open);
  }
  EXPECT_EQ(children, (std::vector<std::string>{"A", "b9", "b10", "link"}))
      << "a link to a directory is listed like one";
}

TEST(DirectoryTree, AnUnreadableDirectoryFailsWithTheSystemsReason) {
  std::error_code error;
  EXPECT_TRUE(ReadDirectoryTree("/no/such/directory", error).empty());
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

TEST(DirectoryTree, PathsAreMadeAbsoluteAndClean) {
  EXPECT_EQ(NormalizeDirectoryPath("/"), "/");
  EXPECT_EQ(NormalizeDirectoryPath("//a//b/../c/"), "/a/c");
  EXPECT_EQ(NormalizeDirectoryPath("/a/."), "/a");
}

}  // namespace
}  // namespace varnoth
