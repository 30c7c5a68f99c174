// SPDX-License-Identifier: GPL-3.0-or-later
// The power-cut file system is the oracle other tests trust about durability: these rows hold it
// to its written model (a file's bytes are durable after its own fsync, a name after its folder's
// fsync, nothing else) and to the answers of its variants.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "tests/fuse/powercut_mount.h"
#include "tests/support/temp_dir.h"

namespace varnoth::test {
namespace {

using Tree = std::map<std::string, std::string>;  // path -> bytes, "<folder>" for a folder

void ReadTree(const std::string& root, const std::string& prefix, Tree& tree) {
  for (const std::string& name : NamesIn(root + prefix)) {
    const std::string path = prefix + name;
    struct stat st {};
    lstat((root + path).c_str(), &st);
    if (S_ISDIR(st.st_mode)) {
      tree[path] = "<folder>";
      ReadTree(root, path + "/", tree);
    } else {
      tree[path] = ReadFile(root + path);
    }
  }
}

Tree TreeOf(const std::string& root) {
  Tree tree;
  ReadTree(root, "/", tree);
  return tree;
}

// Writes a file without syncing anything.
void Write(const std::string& path, const std::string& bytes) {
  WriteFile(path, bytes);
}

// fsync of a file or folder; the errno it answers, 0 for success.
int Sync(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0)
    return errno;
  const int result = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  return result;
}

void WriteSynced(const std::string& path, const std::string& bytes) {
  Write(path, bytes);
  ASSERT_EQ(Sync(path), 0) << path;
}

struct CutCase {
  const char* name;
  unsigned options;
  // Acts on the mounted folder, which holds "/old" ("old") from before the mount.
  std::function<void(const std::string& mount)> act;
  Tree after;          // what the mount shows after the cut
  SyncCounts arrived;  // the sync requests that reached the file system
};

void PrintTo(const CutCase& c, std::ostream* out) {
  *out << c.name;
}

const Tree kOnlyOld = {{"/old", "old"}};

const CutCase kCutCases[] = {
    {"file_synced_in_synced_folder_survives",
     kStrictDisk,
     [](const std::string& m) {
       WriteSynced(m + "/new", "new bytes");
       EXPECT_EQ(Sync(m), 0);
     },
     {{"/old", "old"}, {"/new", "new bytes"}},
     {1, 0, 1}},
    {"name_not_folder_synced_vanishes",
     kStrictDisk,
     [](const std::string& m) { WriteSynced(m + "/new", "new bytes"); },
     kOnlyOld,
     {1, 0, 0}},
    {"name_synced_without_its_bytes_comes_back_empty",
     kStrictDisk,
     [](const std::string& m) {
       Write(m + "/new", "new bytes");
       EXPECT_EQ(Sync(m), 0);
     },
     {{"/old", "old"}, {"/new", ""}},
     {0, 0, 1}},
    {"unsynced_overwrite_leaves_the_old_bytes",
     kStrictDisk,
     [](const std::string& m) { Write(m + "/old", "changed"); },
     kOnlyOld,
     {}},
    {"unsynced_delete_brings_the_file_back",
     kStrictDisk,
     [](const std::string& m) { ASSERT_EQ(unlink((m + "/old").c_str()), 0); },
     kOnlyOld,
     {}},
    {"synced_delete_stays",
     kStrictDisk,
     [](const std::string& m) {
       ASSERT_EQ(unlink((m + "/old").c_str()), 0);
       EXPECT_EQ(Sync(m), 0);
     },
     {},
     {0, 0, 1}},
    {"rename_synced_in_its_folder_keeps_only_the_new_name",
     kStrictDisk,
     [](const std::string& m) {
       ASSERT_EQ(rename((m + "/old").c_str(), (m + "/renamed").c_str()), 0);
       EXPECT_EQ(Sync(m), 0);
     },
     {{"/renamed", "old"}},
     {0, 0, 1}},
    {"rename_between_folders_synced_only_in_the_target_leaves_both_names",
     kStrictDisk,
     [](const std::string& m) {
       ASSERT_EQ(mkdir((m + "/sub").c_str(), 0755), 0);
       EXPECT_EQ(Sync(m), 0);
       ASSERT_EQ(rename((m + "/old").c_str(), (m + "/sub/old").c_str()), 0);
       EXPECT_EQ(Sync(m + "/sub"), 0);
     },
     {{"/old", "old"}, {"/sub", "<folder>"}, {"/sub/old", "old"}},
     {0, 0, 2}},
    {"new_folder_keeps_its_names_only_after_its_own_sync",
     kStrictDisk,
     [](const std::string& m) {
       ASSERT_EQ(mkdir((m + "/sub").c_str(), 0755), 0);
       WriteSynced(m + "/sub/new", "new bytes");
       EXPECT_EQ(Sync(m), 0);
     },
     {{"/old", "old"}, {"/sub", "<folder>"}},
     {1, 0, 1}},
    {"synced_link_gives_a_second_name",
     kStrictDisk,
     [](const std::string& m) {
       ASSERT_EQ(link((m + "/old").c_str(), (m + "/twin").c_str()), 0);
       EXPECT_EQ(Sync(m), 0);
     },
     {{"/old", "old"}, {"/twin", "old"}},
     {0, 0, 1}},
    {"syncfs_reaches_no_fuse_daemon_and_keeps_nothing",
     kStrictDisk,
     [](const std::string& m) {
       Write(m + "/new", "new bytes");
       const int fd = open(m.c_str(), O_RDONLY);
       EXPECT_EQ(syncfs(fd), 0);
       close(fd);
     },
     kOnlyOld,
     {}},
    {"ignored_fsync_answers_success_and_keeps_neither_bytes_nor_names",
     kIgnoreFsync,
     [](const std::string& m) {
       WriteSynced(m + "/new", "new bytes");
       WriteSynced(m + "/other", "other bytes");
       EXPECT_EQ(Sync(m), 0);
       EXPECT_EQ(Sync(m), 0);
     },
     kOnlyOld,
     {1, 0, 1}},  // after the first ENOSYS the kernel stops asking
    {"folder_sync_einval_answers_einval_and_keeps_no_name",
     kFolderSyncEinval,
     [](const std::string& m) {
       WriteSynced(m + "/new", "new bytes");
       EXPECT_EQ(Sync(m), EINVAL);
     },
     kOnlyOld,
     {1, 0, 1}},
};

class PowerCut : public testing::TestWithParam<CutCase> {};

TEST_P(PowerCut, ShowsOnlyWhatWasMadeDurable) {
  const CutCase& c = GetParam();
  PowerCutMount card(c.options);
  SKIP_UNLESS_POWERCUT(card);
  Write(card.path() + "/old", "old");
  ASSERT_TRUE(card.syncAll());

  c.act(card.path());
  const SyncCounts arrived = card.counts();
  ASSERT_TRUE(card.cut());

  EXPECT_EQ(TreeOf(card.path()), c.after);
  EXPECT_EQ(TreeOf(card.backing()), c.after) << "the backing folder holds the same";
  EXPECT_EQ(arrived, c.arrived) << "fsync " << arrived.fsync << ", fdatasync " << arrived.fdatasync
                                << ", fsyncdir " << arrived.fsyncdir;
}

INSTANTIATE_TEST_SUITE_P(Model, PowerCut, testing::ValuesIn(kCutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PowerCutSync, SyncAllMakesEverythingDurable) {
  PowerCutMount card;
  SKIP_UNLESS_POWERCUT(card);
  ASSERT_EQ(mkdir((card.path() + "/sub").c_str(), 0755), 0);
  Write(card.path() + "/sub/new", "new bytes");
  ASSERT_TRUE(card.syncAll());
  Write(card.path() + "/sub/new", "later");
  ASSERT_TRUE(card.cut());
  EXPECT_EQ(TreeOf(card.path()), (Tree{{"/sub", "<folder>"}, {"/sub/new", "new bytes"}}));
}

// The answers other tests build their faults on.
struct VariantCase {
  const char* name;
  unsigned options;
  std::function<void(const std::string& mount)> check;
};

void PrintTo(const VariantCase& c, std::ostream* out) {
  *out << c.name;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
  return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

const VariantCase kVariantCases[] = {
    {"no_replace_rename_refuses_a_taken_name", kStrictDisk,
     [](const std::string& m) {
       Write(m + "/a", "a");
       Write(m + "/b", "b");
       EXPECT_EQ(RenameNoReplace(m + "/a", m + "/b"), EEXIST);
       EXPECT_EQ(RenameNoReplace(m + "/a", m + "/c"), 0);
       EXPECT_EQ(ReadFile(m + "/b"), "b");
     }},
    {"no_replace_rename_einval", kNoReplaceEinval,
     [](const std::string& m) {
       Write(m + "/a", "a");
       EXPECT_EQ(RenameNoReplace(m + "/a", m + "/c"), EINVAL);
       EXPECT_EQ(rename((m + "/a").c_str(), (m + "/c").c_str()), 0);
     }},
    {"links_refused", kNoLinks,
     [](const std::string& m) {
       Write(m + "/a", "a");
       EXPECT_EQ(link((m + "/a").c_str(), (m + "/b").c_str()), -1);
       EXPECT_EQ(errno, EPERM);
     }},
    {"size_reported_zero_but_bytes_readable", kZeroSize,
     [](const std::string& m) {
       Write(m + "/a", std::string(4096, 'x'));
       struct stat st {};
       ASSERT_EQ(stat((m + "/a").c_str(), &st), 0);
       EXPECT_EQ(st.st_size, 0);
       EXPECT_EQ(ReadFile(m + "/a"), std::string(4096, 'x'));
     }},
    {"endless_listing_never_ends", kStrictDisk,
     [](const std::string& m) {
       DIR* dir = opendir((m + "/forever").c_str());
       ASSERT_NE(dir, nullptr);
       int entries = 0;
       while (entries < 200'000 && readdir(dir))
         ++entries;
       closedir(dir);
       EXPECT_EQ(entries, 200'000);
     }},
};

class PowerCutVariant : public testing::TestWithParam<VariantCase> {};

TEST_P(PowerCutVariant, AnswersAsTheDiskItStandsFor) {
  PowerCutMount card(GetParam().options, "forever");
  SKIP_UNLESS_POWERCUT(card);
  GetParam().check(card.path());
}

INSTANTIATE_TEST_SUITE_P(Answers, PowerCutVariant, testing::ValuesIn(kVariantCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnoth::test
