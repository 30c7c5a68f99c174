// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "naming.h"
#include "tests/window/window_fixture.h"

namespace varnoth::test {
namespace {

using Entries = std::vector<std::string>;

class BrowsingTest : public WindowTest {
 protected:
  std::string stem() { return control<QLineEdit>("txtToName")->text().toStdString(); }
  std::string path(const char* list) { return control<DirectoryList>(list)->path(); }

  // What the window keeps true after every event: each file list shows its directory list's
  // directory, the source filtered by the extension, the target by the stem and the extension.
  void ExpectListsInStep() {
    const std::string extension =
        control<QComboBox>("cmbExtensionSelector")->currentText().toStdString();
    EXPECT_EQ(listing("flFrom").path(), path("dirFrom"));
    EXPECT_EQ(listing("flFrom").pattern(), SourcePattern(extension));
    EXPECT_EQ(listing("flTo").path(), path("dirTo"));
    EXPECT_EQ(listing("flTo").pattern(), TargetPattern(stem(), extension));
  }
};

TEST_F(BrowsingTest, StartsOnTheCurrentDirectoryWithJpgAndTheFolderNameAsStem) {
  const std::string folder = FolderNameOf(dir_->path());
  for (const std::string name : {"b.jpg", "a.JPG", "c.png", ".hidden.jpg"}) {
    WriteFile(*dir_ / name, name);
  }
  WriteFile(*dir_ / (folder + "002.jpg"), "numbered");
  OpenWindow();

  EXPECT_EQ(control<QComboBox>("cmbExtensionSelector")->currentText(), "jpg");
  EXPECT_EQ(stem(), folder);
  EXPECT_EQ(path("dirFrom"), dir_->path());
  EXPECT_EQ(path("dirTo"), dir_->path());
  EXPECT_EQ(entries("flFrom"), (Entries{"a.JPG", "b.jpg", folder + "002.jpg"}));
  EXPECT_EQ(entries("flTo"), (Entries{folder + "002.jpg"}));
  EXPECT_TRUE(dialogs_.messages.empty());
  ExpectListsInStep();
}

TEST_F(BrowsingTest, OpeningASourceDirectoryMovesBothSidesAndResetsTheStem) {
  std::filesystem::create_directory(*dir_ / "Trip");
  WriteFile(*dir_ / "Trip/x.jpg", "x");
  WriteFile(*dir_ / "Trip/Trip001.jpg", "one");
  OpenWindow();
  typeStem("Other");

  openDirectory("dirFrom", "Trip");

  EXPECT_EQ(path("dirFrom"), *dir_ / "Trip");
  EXPECT_EQ(path("dirTo"), *dir_ / "Trip");
  EXPECT_EQ(stem(), "Trip");
  EXPECT_EQ(entries("flFrom"), (Entries{"Trip001.jpg", "x.jpg"}));
  EXPECT_EQ(entries("flTo"), (Entries{"Trip001.jpg"}));
  ExpectListsInStep();
}

TEST_F(BrowsingTest, TypingAStemRefiltersTheTargetListOnEveryKeystroke) {
  for (const std::string name : {"Tap1.jpg", "Trip1.jpg", "Trap1.jpg"})
    WriteFile(*dir_ / name, name);
  OpenWindow();

  typeStem("T");
  EXPECT_EQ(entries("flTo"), (Entries{"Tap1.jpg", "Trap1.jpg", "Trip1.jpg"}));
  QTest::keyClick(control<QWidget>("txtToName"), Qt::Key_R);
  EXPECT_EQ(entries("flTo"), (Entries{"Trap1.jpg", "Trip1.jpg"}));

  // A file another program made before the keystroke shows after it: nothing stale is shown.
  WriteFile(*dir_ / "Trip2.jpg", "new");
  QTest::keyClick(control<QWidget>("txtToName"), Qt::Key_I);
  EXPECT_EQ(entries("flTo"), (Entries{"Trip1.jpg", "Trip2.jpg"}));
  EXPECT_EQ(entries("flFrom").size(), 4u) << "the source list is refreshed too";
  ExpectListsInStep();
}

TEST_F(BrowsingTest, ChoosingAnExtensionReplacesATypedStemWithTheFolderName) {
  WriteFile(*dir_ / "a.jpg", "a");
  WriteFile(*dir_ / "b.mpg", "b");
  OpenWindow();
  typeStem("Mine");

  auto* selector = control<QComboBox>("cmbExtensionSelector");
  selector->setFocus();
  QTest::keyClick(selector, Qt::Key_Down);

  EXPECT_EQ(selector->currentText(), "mpg");
  EXPECT_EQ(stem(), FolderNameOf(dir_->path()));
  EXPECT_EQ(entries("flFrom"), (Entries{"b.mpg"}));
  ExpectListsInStep();
}

TEST_F(BrowsingTest, MovingOnlyTheTargetKeepsTheStemAndTheSourceList) {
  std::filesystem::create_directory(*dir_ / "Out");
  WriteFile(*dir_ / "a.jpg", "a");
  WriteFile(*dir_ / "Out/Mine007.jpg", "seven");
  OpenWindow();
  typeStem("Mine");

  openDirectory("dirTo", "Out");

  EXPECT_EQ(path("dirTo"), *dir_ / "Out");
  EXPECT_EQ(path("dirFrom"), dir_->path());
  EXPECT_EQ(stem(), "Mine");
  EXPECT_EQ(entries("flFrom"), (Entries{"a.jpg"}));
  EXPECT_EQ(entries("flTo"), (Entries{"Mine007.jpg"}));
  ExpectListsInStep();
}

TEST_F(BrowsingTest, AtTheRootTheStemIsEmptyAndARunAsksForAName) {
  OpenWindow();
  openDirectory("dirFrom", "/");

  EXPECT_EQ(path("dirFrom"), "/");
  EXPECT_EQ(path("dirTo"), "/");
  EXPECT_EQ(stem(), "");
  QTest::mouseClick(control<QPushButton>("cmdConvert"), Qt::LeftButton);
  EXPECT_EQ(dialogs_.messages, Entries{"Please enter new file name"});
}

TEST_F(BrowsingTest, AVanishedDriveIsReportedAndNeitherSideMoves) {
  const std::string card = *dir_ / "card";
  std::filesystem::create_directory(card);
  OpenWindow({Drive{"/", ""}, Drive{card, "CARD"}});
  std::filesystem::remove(card);  // the card is pulled out while listed

  auto* drives = control<QComboBox>("drvFrom");
  drives->setFocus();
  QTest::keyClick(drives, Qt::Key_Down);

  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0],
            "Drive failure. Cannot read '\u2068" + card + "\u2069': No such file or directory.");
  EXPECT_EQ(drives->currentIndex(), 1) << "the drive list keeps showing the chosen drive";
  EXPECT_EQ(path("dirFrom"), dir_->path());
  EXPECT_EQ(path("dirTo"), dir_->path());
}

TEST_F(BrowsingTest, ChoosingADriveMovesBothSidesToWhereTheUserWasOnIt) {
  const std::string card = *dir_ / "card";
  std::filesystem::create_directories(card + "/DCIM");
  WriteFile(card + "/DCIM/p.jpg", "p");
  OpenWindow({Drive{"/", ""}, Drive{card, "CARD"}});

  auto* drives = control<QComboBox>("drvFrom");
  drives->setFocus();
  QTest::keyClick(drives, Qt::Key_Down);
  EXPECT_EQ(path("dirFrom"), card);
  EXPECT_EQ(control<QComboBox>("drvTo")->currentIndex(), 1);
  openDirectory("dirFrom", "DCIM");
  QTest::keyClick(drives, Qt::Key_Up);
  EXPECT_EQ(path("dirFrom"), dir_->path()) << "back where the user was on /";

  QTest::keyClick(drives, Qt::Key_Down);
  EXPECT_EQ(path("dirFrom"), card + "/DCIM");
  EXPECT_EQ(path("dirTo"), card + "/DCIM");
  EXPECT_EQ(stem(), "DCIM");
  EXPECT_EQ(entries("flFrom"), Entries{"p.jpg"});
  EXPECT_TRUE(dialogs_.messages.empty());
  ExpectListsInStep();
}

TEST_F(BrowsingTest, WalkingOntoAnotherDriveShowsThatDriveInBothDriveLists) {
  const std::string card = *dir_ / "card";
  std::filesystem::create_directory(card);
  OpenWindow({Drive{"/", ""}, Drive{card, "CARD"}});

  openDirectory("dirFrom", "card");

  EXPECT_EQ(control<QComboBox>("drvFrom")->currentIndex(), 1);
  EXPECT_EQ(control<QComboBox>("drvTo")->currentIndex(), 1);
  openDirectory("dirTo", QString::fromStdString(FolderNameOf(dir_->path())));
  EXPECT_EQ(control<QComboBox>("drvTo")->currentIndex(), 0);
  EXPECT_EQ(control<QComboBox>("drvFrom")->currentIndex(), 1);
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(BrowsingTest, ADirectoryThatVanishedIsReportedAndTheWindowStaysUsable) {
  std::filesystem::create_directory(*dir_ / "Gone");
  WriteFile(*dir_ / "a.jpg", "a");
  OpenWindow();
  std::filesystem::remove(*dir_ / "Gone");

  openDirectory("dirFrom", "Gone");

  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].rfind("Directory failure. Cannot open '\u2068", 0), 0u)
      << dialogs_.messages[0];
  EXPECT_EQ(path("dirFrom"), dir_->path());
  EXPECT_EQ(entries("flFrom"), Entries{"a.jpg"});
}

TEST_F(BrowsingTest, TypingAfterTheSourceDirectoryVanishedReportsItOnceAndKeepsTheWindow) {
  std::filesystem::create_directory(*dir_ / "Trip");
  OpenWindow();
  openDirectory("dirFrom", "Trip");
  std::filesystem::remove(*dir_ / "Trip");

  QTest::keyClick(control<QWidget>("txtToName"), Qt::Key_X);

  EXPECT_EQ(dialogs_.messages, Entries{"Directory failure. Cannot read '\u2068" + *dir_ / "Trip" +
                                       "\u2069': No such file or directory."});
  EXPECT_EQ(path("dirFrom"), *dir_ / "Trip") << "no list is re-pointed";
  openDirectory("dirFrom", QString::fromStdString(FolderNameOf(dir_->path())));
  EXPECT_EQ(path("dirFrom"), dir_->path()) << "the window stays usable";
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  ExpectListsInStep();
}

}  // namespace
}  // namespace varnoth::test
