// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <filesystem>

#include "naming.h"
#include "qt/mount_watcher.h"
#include "tests/window/window_fixture.h"

namespace varnoth::test {

// Drive lists over a stand-in mount table that the test mounts and unmounts drives in.
class DrivesTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    table_ = *dir_ / ".mountinfo";
    card_ = *dir_ / "media/anna/EOS_DIGITAL";
    std::filesystem::create_directories(card_ + "/DCIM");
  }

  void OpenWithMounts(bool cardMounted) {
    mount(cardMounted);
    OpenWindow(ReadMountedDrives(table_));
    window_->followMounts(table_);
  }

  // What the kernel would report after a mount or unmount, and its notification.
  void mount(bool cardMounted) {
    std::string lines = "26 1 254:0 / / rw - ext4 /dev/vda rw\n";
    if (cardMounted)
      lines += "40 26 8:17 / " + card_ + " rw - vfat /dev/sdb1 rw\n";
    WriteFile(table_, lines);
    if (window_)
      window_->findChild<MountWatcher*>()->reread();
  }

  std::string path(const char* list) { return control<DirectoryList>(list)->path(); }
  std::vector<std::string> listed(const char* driveList) {
    auto* list = control<QComboBox>(driveList);
    std::vector<std::string> mountPoints;
    for (int i = 0; i < list->count(); ++i)
      mountPoints.push_back(list->itemData(i).toByteArray().toStdString());
    return mountPoints;
  }
  std::string shown(const char* driveList) {
    return control<QComboBox>(driveList)->currentData().toByteArray().toStdString();
  }

  // The user opens the drop-down and takes the entry for `mountPoint`, even the one shown.
  void choose(const char* driveList, const std::string& mountPoint) {
    auto* list = control<QComboBox>(driveList);
    const int index = list->findData(QByteArray::fromStdString(mountPoint));
    ASSERT_GE(index, 0) << mountPoint << " is not listed";
    list->setFocus();
    list->showPopup();
    QAbstractItemView* view = list->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    view->setCurrentIndex(view->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
  }

  std::string table_;
  std::string card_;
};

namespace {

using Entries = std::vector<std::string>;

TEST_F(DrivesTest, CardsComeAndGoButTheShownOneStaysUntilTheUserLeavesIt) {
  OpenWithMounts(false);
  EXPECT_EQ(listed("drvTo"), Entries{"/"});
  mount(true);
  EXPECT_EQ(listed("drvFrom"), (Entries{"/", card_}));
  EXPECT_EQ(listed("drvTo"), (Entries{"/", card_}));
  EXPECT_EQ(shown("drvFrom"), "/") << "a mount elsewhere does not move the lists";
  // Named first, as a person knows it; the drop-down is wide enough for the whole mount point.
  auto* list = control<QComboBox>("drvFrom");
  EXPECT_EQ(list->itemText(1).toStdString(), "EOS_DIGITAL  (" + card_ + ")");
  list->showPopup();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list->view()->window()));
  EXPECT_GE(list->view()->viewport()->width(),
            list->view()->fontMetrics().horizontalAdvance(list->itemText(1)));
  list->hidePopup();
  mount(false);
  EXPECT_EQ(listed("drvTo"), Entries{"/"});

  mount(true);
  choose("drvFrom", card_);
  ASSERT_EQ(path("dirFrom"), card_);
  mount(false);
  EXPECT_EQ(listed("drvFrom"), (Entries{"/", card_})) << "kept while the user is on it";
  EXPECT_EQ(shown("drvFrom"), card_);
  choose("drvFrom", card_);
  EXPECT_EQ(dialogs_.messages,
            Entries{"Drive failure. Cannot read '\u2068" + card_ + "\u2069': No such device."})
      << "the empty mount point left behind is not the card";
  choose("drvFrom", "/");
  EXPECT_EQ(listed("drvFrom"), Entries{"/"}) << "gone once the user chose another drive";
}

TEST_F(DrivesTest, ChoosingTheShownDriveAgainRetriesItAndMovesBothSides) {
  OpenWithMounts(true);
  choose("drvFrom", card_);
  openDirectory("dirFrom", "DCIM");
  openDirectory("dirTo", QString::fromStdString(FolderNameOf(dir_->path())));
  ASSERT_EQ(shown("drvTo"), "/");
  mount(false);
  choose("drvFrom", card_);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  ASSERT_EQ(path("dirTo"), dir_->path()) << "a failed drive moves nothing";

  mount(true);  // the card is put back
  choose("drvFrom", card_);

  EXPECT_EQ(dialogs_.messages.size(), 1u) << "no second failure";
  EXPECT_EQ(path("dirFrom"), card_ + "/DCIM");
  EXPECT_EQ(shown("drvTo"), card_);
  EXPECT_EQ(path("dirTo"), card_ + "/DCIM") << "back where the user was on the card";
  EXPECT_EQ(control<QLineEdit>("txtToName")->text(), "DCIM");
}

}  // namespace
}  // namespace varnoth::test
