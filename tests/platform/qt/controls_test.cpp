#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "qt/extension_selector.h"
#include "qt/file_list_view.h"
#include "qt/name_box.h"
#include "qt/qt_dialogs.h"
#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

TEST(NameBox, NotifiesEverySetAndKeystrokeAndKeepsTheBytesItWasGiven) {
  NameBox box;
  QSignalSpy notified(&box, &NameBox::textSet);
  box.setTextBytes("Trip");
  box.setTextBytes("Trip");
  EXPECT_EQ(notified.count(), 2) << "a set notifies also when the text is unchanged";

  const std::string notUtf8 = "Ferien\xe9";
  box.setTextBytes(notUtf8);
  EXPECT_EQ(box.textBytes(), notUtf8);
  box.setFocus();
  QTest::keyClick(&box, Qt::Key_End);
  QTest::keyClick(&box, Qt::Key_X);
  EXPECT_EQ(notified.count(), 4);
  EXPECT_EQ(box.textBytes(), "Ferien\xef\xbf\xbdx") << "typed text is UTF-8";
}

TEST(ExtensionSelector, SettingAnItemChoosesItAndNotifies) {
  ExtensionSelector selector({"jpg", "mpg"});
  EXPECT_EQ(selector.currentIndex(), -1) << "nothing is chosen at creation";
  QSignalSpy chosen(&selector, &ExtensionSelector::itemChosen);
  EXPECT_TRUE(selector.setText("mpg"));
  EXPECT_TRUE(selector.setText("mpg"));
  EXPECT_EQ(chosen.count(), 2);
  EXPECT_EQ(selector.text(), "mpg");
  EXPECT_FALSE(selector.setText("exe"));
  EXPECT_EQ(selector.text(), "mpg");
}

TEST(FileListView, ShowsNamesThatAreNotUtf8WithReplacementCharacters) {
  test::TempDir dir;
  test::WriteFile(dir / "caf\xe9.jpg", "x");
  FileListView view(dir.path());
  ASSERT_EQ(view.model()->rowCount(), 1);
  EXPECT_EQ(view.model()->index(0, 0).data().toString(), QString::fromUtf8("caf\xef\xbf\xbd.jpg"));
  EXPECT_EQ(view.listing().entry(0), "caf\xe9.jpg");
}

TEST(QtDialogs, TheRealMessageBoxShowsTheTextWithOnlyOkAndCloses) {
  QtDialogs dialogs;
  QString shownText;
  int buttons = 0;
  QMessageBox::Icon icon = QMessageBox::Warning;
  // Polls until the box is up, so a slow start cannot make the close miss it and hang the test.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
      return;
    poll.stop();
    shownText = box->text();
    buttons = static_cast<int>(box->buttons().size());
    icon = box->icon();
    QTest::keyClick(box, Qt::Key_Return);
  });
  poll.start(10);
  dialogs.showMessage("Failure converting file. Disk full.");

  EXPECT_EQ(shownText, "Failure converting file. Disk full.");
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(icon, QMessageBox::NoIcon);
  QApplication::processEvents();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(top->isVisible()) << "left open: " << top->metaObject()->className();
  }
}

}  // namespace
}  // namespace varnoth
