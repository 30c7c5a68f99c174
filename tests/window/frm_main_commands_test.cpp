// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>

#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

#include "tests/window/window_fixture.h"

namespace varnoth::test {
namespace {

using Entries = std::vector<std::string>;

class CommandsTest : public WindowTest {
 protected:
  void click(const char* button) {
    QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
  }
  bool listsDirectory(const char* list, const char* name) {
    return !control<QTreeWidget>(list)
                ->findItems(QString::fromLatin1(name), Qt::MatchExactly | Qt::MatchRecursive)
                .isEmpty();
  }
};

TEST_F(CommandsTest, RenameFilesMovesTheSelectedFilesUnderTheNextNumbers) {
  for (const std::string name :
       {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "Trip001.jpg", "Trip002.jpg"}) {
    WriteFile(*dir_ / name, "content of " + name);
  }
  OpenWindow();
  typeStem("Trip");
  ASSERT_EQ(entries("flFrom"),
            (Entries{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "Trip001.jpg", "Trip002.jpg"}));
  const auto before = TakeCensus({dir_->path()});

  clickRow("flFrom", 0);
  clickRow("flFrom", 1, Qt::ControlModifier);
  clickRow("flFrom", 3, Qt::ControlModifier);
  click("cmdConvert");

  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_EQ(ReadFile(*dir_ / "Trip003.jpg"), "content of a.jpg");
  EXPECT_EQ(ReadFile(*dir_ / "Trip004.jpg"), "content of b.jpg");
  EXPECT_EQ(ReadFile(*dir_ / "Trip005.jpg"), "content of d.jpg");
  EXPECT_EQ(entries("flFrom"), (Entries{"c.jpg", "Trip001.jpg", "Trip002.jpg", "Trip003.jpg",
                                        "Trip004.jpg", "Trip005.jpg"}));
  EXPECT_EQ(entries("flTo").size(), 5u);
  EXPECT_TRUE(NothingLost(before, TakeCensus({dir_->path()})));
}

TEST_F(CommandsTest, AFailingCopyIsShownInTheMessageBoxAndTheRunGoesOn) {
  WriteFile(*dir_ / "a.jpg", "a");
  WriteFile(*dir_ / "b.jpg", "b");
  // A name the target list does not show already holds the first number.
  std::filesystem::create_directory(*dir_ / "Trip001.jpg");
  OpenWindow();
  typeStem("Trip");
  const auto before = TakeCensus({dir_->path()});

  clickRow("flFrom", 0);
  clickRow("flFrom", 1, Qt::ShiftModifier);
  click("cmdConvert");

  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].rfind("Failure converting file. ", 0), 0u);
  EXPECT_NE(dialogs_.messages[0].find("File exists"), std::string::npos) << dialogs_.messages[0];
  EXPECT_EQ(ReadFile(*dir_ / "a.jpg"), "a");
  EXPECT_EQ(ReadFile(*dir_ / "Trip002.jpg"), "b");
  EXPECT_TRUE(NothingLost(before, TakeCensus({dir_->path()})));
}

TEST_F(CommandsTest, AStemWithASlashIsRefusedAndNothingMoves) {
  std::filesystem::create_directory(*dir_ / "sub");
  WriteFile(*dir_ / "a.jpg", "a");
  OpenWindow();
  typeStem("sub/x");
  clickRow("flFrom", 0);
  click("cmdConvert");

  EXPECT_EQ(dialogs_.messages, Entries{"The new file name must not contain \"/\"."});
  EXPECT_EQ(NamesIn(dir_->path()), (Entries{"a.jpg", "sub"}));
  EXPECT_TRUE(NamesIn(*dir_ / "sub").empty());
}

TEST_F(CommandsTest, NewTargetDirectoryShowsUpInBothListsWithoutMovingTheTarget) {
  OpenWindow();
  dialogs_.answers = {"Trip"};
  click("cmdMakeDir");

  EXPECT_EQ(dialogs_.questions, Entries{"Create a New Output Directory: Directory to create"});
  EXPECT_TRUE(std::filesystem::is_directory(*dir_ / "Trip"));
  EXPECT_TRUE(listsDirectory("dirFrom", "Trip"));
  EXPECT_TRUE(listsDirectory("dirTo", "Trip"));
  EXPECT_EQ(control<DirectoryList>("dirTo")->path(), dir_->path());
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(CommandsTest, NewTargetDirectoryRefusesWhatItCannotOrShouldNotCreate) {
  std::filesystem::create_directory(*dir_ / "Existing");
  OpenWindow();
  const struct {
    const char* answer;
    const char* message;
  } cases[] = {
      {"Existing",
       "Failure creating directory. Cannot create '\u2068{dir}/Existing\u2069': File exists."},
      {"a/b", "Failure creating directory. The name must not contain \"/\"."},
      {"../escape", "Failure creating directory. The name must not contain \"/\"."},
      {"..", "Failure creating directory. The name must not be \".\" or \"..\"."},
  };
  for (const auto& c : cases) {
    dialogs_.messages.clear();
    dialogs_.answers = {c.answer};
    click("cmdMakeDir");
    std::string expected = c.message;
    if (auto at = expected.find("{dir}"); at != std::string::npos) {
      expected.replace(at, 5, dir_->path());
    }
    EXPECT_EQ(dialogs_.messages, Entries{expected}) << c.answer;
  }
  EXPECT_EQ(NamesIn(dir_->path()), Entries{"Existing"});
  EXPECT_FALSE(std::filesystem::exists(*dir_ / "../escape"));
}

TEST_F(CommandsTest, CancellingTheNewDirectoryQuestionDoesNothing) {
  OpenWindow();
  dialogs_.answers = {""};
  click("cmdMakeDir");
  EXPECT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(NamesIn(dir_->path()).empty());
}

}  // namespace
}  // namespace varnoth::test
