// SPDX-License-Identifier: GPL-3.0-or-later
// A folder whose listing never ends, as a broken file system or driver can hand out: the read
// stops at the limit on a listing's names and the window reports it instead of waiting on it
// while its memory grows.
#include <unistd.h>

#include "directory_snapshot.h"
#include "qt/directory_list.h"
#include "tests/fuse/powercut_mount.h"
#include "tests/window/window_fixture.h"

namespace varnoth::test {
namespace {

using Entries = std::vector<std::string>;

class EndlessListingTest : public WindowTest {
 protected:
  // The program's limit takes millions of entries to reach; a lower one takes a few thousand.
  void SetUp() override {
    WindowTest::SetUp();
    SetMaxListingBytes(std::size_t{1} << 20);
  }
  void TearDown() override {
    WindowTest::TearDown();
    SetMaxListingBytes(kMaxListingBytes);
  }
};

TEST_F(EndlessListingTest, OpeningIsReportedAsTooLongAndTheListsKeepWhatTheyShowed) {
  PowerCutMount card(kStrictDisk, "forever");
  SKIP_UNLESS_POWERCUT(card);
  WriteFile(card.path() + "/a.jpg", "a");
  ASSERT_EQ(chdir(card.path().c_str()), 0);
  OpenWindow();

  openDirectory("dirFrom", "forever");

  EXPECT_EQ(dialogs_.messages,
            Entries{"Directory failure. Cannot open '\u2068" + card.path() +
                    "/forever\u2069': its listing goes on past 1 MiB of names without ending."});
  for (const char* list : {"dirFrom", "dirTo"})
    EXPECT_EQ(control<DirectoryList>(list)->path(), card.path()) << list;
  EXPECT_EQ(entries("flFrom"), Entries{"a.jpg"});
  EXPECT_EQ(entries("flTo"), Entries{});
  window_.reset();
  ASSERT_EQ(chdir(dir_->path().c_str()), 0);
}

}  // namespace
}  // namespace varnoth::test
