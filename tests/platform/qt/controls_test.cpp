// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <functional>

#include "drives.h"
#include "qt/breakable_text.h"
#include "qt/directory_list.h"
#include "qt/extension_selector.h"
#include "qt/file_list_view.h"
#include "qt/focus_ring.h"
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

TEST(FileListView, ShowsNamesThatAreNotUtf8WithAVisibleEscapeForEachByte) {
  test::TempDir dir;
  test::WriteFile(dir / "caf\xe9.jpg", "x");
  FileListView view(dir.path());
  ASSERT_EQ(view.model()->rowCount(), 1);
  EXPECT_EQ(view.model()->index(0, 0).data().toString(), QStringLiteral("caf\\xE9.jpg"));
  EXPECT_EQ(view.listing().entry(0), "caf\xe9.jpg");
}

// The tooltip shown when the mouse rests at `point` of a list's viewport.
QString ToolTipAt(QAbstractItemView& list, QPoint point) {
  QToolTip::hideText();
  QHelpEvent event(QEvent::ToolTip, point, list.viewport()->mapToGlobal(point));
  QApplication::sendEvent(list.viewport(), &event);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

// Names that differ only at their end can be told apart: the list scrolls sideways as far as its
// longest name, which need not be the row the list measures, and a row's tooltip shows the whole
// name; off the rows the control's own tooltip stays. A folder's row shows its whole path.
TEST(Lists, ShowLongNamesWholeBySidewaysScrollingAndTooltips) {
  test::TempDir dir;
  const std::string longName = "A" + std::string(120, 'x') + "_holiday_<b>end.jpg";
  test::WriteFile(dir / longName, "x");
  test::WriteFile(dir / "b.jpg", "x");
  FileListView files(dir.path());
  files.setToolTip(QStringLiteral("the list's own tooltip"));
  files.setGeometry(0, 0, 188, 150);
  files.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&files));

  const QModelIndex longRow = files.model()->index(0, 0);
  ASSERT_EQ(files.listing().entry(0), longName);
  const int textWidth = files.fontMetrics().horizontalAdvance(QString::fromStdString(longName));
  EXPECT_GE(files.visualRect(longRow).width(), textWidth);
  EXPECT_GE(files.horizontalScrollBar()->maximum() + files.viewport()->width(), textWidth);
  EXPECT_EQ(ToolTipAt(files, files.visualRect(longRow).center()),
            WholeTextToolTip(QString::fromStdString(longName)));
  EXPECT_EQ(ToolTipAt(files, QPoint(5, files.viewport()->height() - 5)),
            QStringLiteral("the list's own tooltip"));

  std::filesystem::create_directory(dir / "Trip");
  DirectoryList folders(std::make_shared<DriveTable>(std::vector<Drive>{{"/", ""}}), dir / "Trip");
  folders.setGeometry(0, 0, 188, 96);
  folders.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&folders));
  EXPECT_EQ(ToolTipAt(folders, folders.visualRect(folders.currentIndex()).center()),
            WholeTextToolTip(QString::fromStdString(dir / "Trip")));
}

// The sideways reach follows the names shown as the pattern changes back and forth: a name no
// longer shown does not keep the list wide, and a longer one coming back widens it again, also
// when it is not plain ASCII and is measured apart from the others.
TEST(Lists, SidewaysReachFollowsTheNamesShown) {
  test::TempDir dir;
  const std::string longName = std::string(150, 'x') + ".png";
  std::string accented;
  for (int i = 0; i < 75; ++i)
    accented += "\xc3\xbc";  // ü in UTF-8
  accented += ".gif";
  test::WriteFile(dir / longName, "x");
  test::WriteFile(dir / accented, "x");
  test::WriteFile(dir / "b.jpg", "x");
  // The row a list measures for itself, its last, is short.
  test::WriteFile(dir / "\xe2\x80\xa6.gif", "x");
  FileListView files(dir.path());
  files.setGeometry(0, 0, 188, 150);
  files.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&files));
  const auto widthOf = [&](const std::string& name) {
    return files.fontMetrics().horizontalAdvance(QString::fromStdString(name));
  };

  const struct {
    const char* pattern;
    int widest;
  } steps[] = {{"*.jpg", 0},
               {"*", std::max(widthOf(longName), widthOf(accented))},
               {"*.jpg", 0},
               {"*.png", widthOf(longName)},
               {"*.gif", widthOf(accented)}};
  for (const auto& [pattern, widest] : steps) {
    ASSERT_FALSE(files.listing().setPattern(pattern));
    QApplication::processEvents();
    const int reach = files.horizontalScrollBar()->maximum() + files.viewport()->width();
    if (widest > 0)
      EXPECT_GE(reach, widest) << pattern;
    else
      EXPECT_LT(reach, widthOf(longName)) << pattern;
  }
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

const QChar kBreak(0x200B);

QString WithoutBreaks(QString text) {
  return text.remove(kBreak);
}

void ExpectNothingLeftOpen() {
  QApplication::processEvents();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(top->isVisible()) << "left open: " << top->metaObject()->className();
  }
}

// Calls `look` on the first visible modal dialog of type Dialog, polling until it is up so that a
// slow start cannot make the test miss it and hang; `look` must close it.
template <typename Dialog>
class WhenShown {
 public:
  explicit WhenShown(std::function<void(Dialog&)> look) {
    QObject::connect(&poll_, &QTimer::timeout, [this, look] {
      auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      if (!dialog || !dialog->isVisible())
        return;
      poll_.stop();
      look(*dialog);
    });
    poll_.start(10);
  }

 private:
  QTimer poll_;
};

TEST(BreakableText, LongRunsAndPathsGetBreakOpportunitiesAndNothingElseChanges) {
  const QString x20(20, QLatin1Char('x'));
  const QString smile = QString::fromUtf8("\xf0\x9f\x98\x80");  // outside the BMP: two units
  const struct {
    QString text;
    QString shown;
  } cases[] = {
      {"short words stay as they are", "short words stay as they are"},
      {"/home/ann/Trip.jpg", QString("/%1home/%1ann/%1Trip.jpg").arg(kBreak)},
      {x20 + "yz", x20 + kBreak + "yz"},
      {x20 + " " + x20, x20 + " " + x20},
      {"<b>Holiday</b>.jpg", QString("<b>Holiday</%1b>.jpg").arg(kBreak)},
      {QString(19, QLatin1Char('x')) + smile + "y",
       QString(19, QLatin1Char('x')) + smile + kBreak + "y"},
  };
  for (const auto& c : cases) {
    const QString shown = WithBreakOpportunities(c.text);
    EXPECT_EQ(shown, c.shown) << c.text.toStdString();
    EXPECT_EQ(WithoutBreaks(shown), c.text);
  }
}

TEST(QtDialogs, AMessageShowsMarkupAsTextAndWrapsALongPathInsideTheScreen) {
  std::string longPath = "/media/ann/USB";
  for (int i = 0; i < 12; ++i)
    longPath += "/Holidays_in_the_mountains_" + std::to_string(i);
  const std::string text =
      "Failure converting file. Cannot copy '" + longPath + "/<b>Holiday</b>.jpg': Disk full.";
  const QString expected = QString::fromStdString(text);
  QtDialogs dialogs;
  QString shown, copied, heard;
  Qt::TextFormat format = Qt::RichText;
  QRect box, screen;
  bool labelShowsAllLines = false;
  WhenShown<QMessageBox> close([&](QMessageBox& dialog) {
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    shown = label->text();
    format = label->textFormat();
    box = dialog.frameGeometry();
    screen = dialog.screen()->availableGeometry();
    labelShowsAllLines = label->height() >= label->heightForWidth(label->width());
    heard = QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
    QTest::keyClick(&dialog, Qt::Key_C, Qt::ControlModifier);
    copied = QGuiApplication::clipboard()->text();
    QTest::keyClick(&dialog, Qt::Key_Return);
  });
  dialogs.showMessage(text);

  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_EQ(WithoutBreaks(shown), expected);
  EXPECT_TRUE(screen.contains(box)) << box.width() << " wide on a screen " << screen.width();
  EXPECT_TRUE(labelShowsAllLines);
  EXPECT_EQ(heard, expected);
  EXPECT_EQ(copied, expected);
  ExpectNothingLeftOpen();
}

TEST(QtDialogs, TheInputBoxIsWideEnoughForItsTitleAndReturnsTheAnswer) {
  QtDialogs dialogs;
  int width = 0;
  QString title;
  WhenShown<QInputDialog> answer([&](QInputDialog& dialog) {
    width = dialog.width();
    title = dialog.windowTitle();
    auto* field = dialog.findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, "Trip");
    QTest::keyClick(field, Qt::Key_Return);
  });
  EXPECT_EQ(dialogs.askText("Directory to create", "Create a New Output Directory"), "Trip");

  EXPECT_EQ(title, "Create a New Output Directory");
  QFont titleFont = QApplication::font();
  titleFont.setBold(true);
  const QFontMetrics metrics(titleFont);
  // The title and three title-bar buttons at least.
  EXPECT_GE(width, metrics.horizontalAdvance(title) + 3 * metrics.height());
  ExpectNothingLeftOpen();
}

TEST(FocusRing, FollowsTheFocusedControlButNotIntoADialogOverTheWindow) {
  QWidget window;
  window.resize(300, 200);
  auto* button = new QPushButton(QStringLiteral("Rename Files"), &window);
  button->setGeometry(10, 10, 120, 30);
  auto* other = new QPushButton(QStringLiteral("Other"), &window);
  other->setGeometry(10, 100, 120, 30);
  auto* ring = new FocusRing(window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QApplication::setActiveWindow(&window);
  constexpr int kWidth = FocusRing::kOuterWidth + FocusRing::kInnerWidth;
  const auto around = [](QWidget* control) {
    return control->geometry().adjusted(-kWidth, -kWidth, kWidth, kWidth);
  };

  button->setFocus();
  EXPECT_TRUE(ring->isVisible());
  EXPECT_EQ(ring->geometry(), around(button));
  button->move(20, 50);
  EXPECT_EQ(ring->geometry(), around(button)) << "the ring moves with its control";
  other->setFocus();
  EXPECT_EQ(ring->geometry(), around(other));

  // A dialog is the window's child as well; its field must not draw a ring on the window.
  QDialog dialog(&window);
  auto* field = new QLineEdit(&dialog);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QApplication::setActiveWindow(&dialog);
  field->setFocus();
  ASSERT_TRUE(field->hasFocus());
  EXPECT_FALSE(ring->isVisible());
}

}  // namespace
}  // namespace varnoth
