// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "tests/window/window_fixture.h"

namespace varnoth::test {
namespace {

using LayoutTest = WindowTest;

const char* const kTabOrder[] = {"drvFrom",   "dirFrom",    "flFrom",
                                 "drvTo",     "dirTo",      "flTo",
                                 "txtToName", "cmdConvert", "cmbExtensionSelector",
                                 "cmdMakeDir"};

TEST_F(LayoutTest, TabWalksTheControlsInOrderAndSkipsTheLabels) {
  OpenWindow();
  QApplication::setActiveWindow(window_.get());
  ASSERT_EQ(QApplication::focusWidget(), control<QWidget>("drvFrom"));

  for (std::size_t i = 1; i < std::size(kTabOrder); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), control<QWidget>(kTabOrder[i]))
        << "after " << kTabOrder[i - 1];
  }
  for (std::size_t i = std::size(kTabOrder) - 1; i > 0; --i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), control<QWidget>(kTabOrder[i - 1]))
        << "Shift+Tab from " << kTabOrder[i];
  }
}

TEST_F(LayoutTest, EachControlShowsItsTooltipAndTheLabelsAndNameBoxNone) {
  OpenWindow();
  const std::pair<const char*, const char*> tips[] = {
      {"drvFrom", "Source disk"},
      {"dirFrom", "Directory where the files are located"},
      {"flFrom", "A display of the available file with the given extension"},
      {"drvTo", "Target disk"},
      {"dirTo", "Directory where to move the files"},
      {"flTo", "Files currently matching the new name string."},
      {"cmdConvert", "Rename the files from the source directory to the target directory"},
      {"cmbExtensionSelector", "Sets the file extension to work with."},
      {"cmdMakeDir", "Make a directory for the graphics to be copied into."},
      {"txtToName", ""},
      {"lblConvertFrom", ""},
      {"lblConvertTo", ""},
      {"lblToName", ""},
  };
  for (const auto& [name, tip] : tips) {
    EXPECT_EQ(control<QWidget>(name)->toolTip().toStdString(), tip) << name;
  }
}

TEST_F(LayoutTest, AssistiveTechnologyHearsEachControlsNameAndItsTooltipAsDescription) {
  OpenWindow();
  const std::pair<const char*, const char*> names[] = {
      {"drvFrom", "Source drive"},    {"dirFrom", "Source directory"},
      {"flFrom", "Source files"},     {"drvTo", "Target drive"},
      {"dirTo", "Target directory"},  {"flTo", "Target files"},
      {"txtToName", "New file name"}, {"cmbExtensionSelector", "File extension"},
      {"cmdConvert", "Rename Files"}, {"cmdMakeDir", "New target directory"},
  };
  for (const auto& [name, accessibleName] : names) {
    QWidget* widget = control<QWidget>(name);
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(seen, nullptr) << name;
    // By its name, not by its value: Qt on Linux would name a combo box by its current item.
    EXPECT_EQ(seen->text(QAccessible::Name).toStdString(), accessibleName) << name;
    EXPECT_EQ(seen->text(QAccessible::Description), widget->toolTip()) << name;
  }
  auto* drive = control<QComboBox>("drvFrom");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(drive)->text(QAccessible::Value),
            drive->currentText());
  // A frame, not a filler; and the directory lists have no column header to read out.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window_.get())->role(), QAccessible::Window);
  for (const char* name : {"dirFrom", "dirTo"}) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(control<QWidget>(name));
    for (int i = 0; i < list->childCount(); ++i) {
      if (list->child(i)->role() == QAccessible::ColumnHeader) {
        EXPECT_EQ(list->child(i)->text(QAccessible::Name).toStdString(), "") << name;
      }
    }
  }
}

TEST_F(LayoutTest, SelectorOffersTheSevenExtensionsAndTakesNoTypedText) {
  OpenWindow();
  auto* selector = control<QComboBox>("cmbExtensionSelector");
  QStringList items;
  for (int i = 0; i < selector->count(); ++i)
    items << selector->itemText(i);
  EXPECT_EQ(items, QStringList({"jpg", "mpg", "tif", "gif", "cdr", "pdf", "zip"}));

  selector->setFocus();
  QTest::keyClicks(selector, "xyz");
  EXPECT_TRUE(items.contains(selector->currentText())) << selector->currentText().toStdString();
  EXPECT_FALSE(selector->isEditable());
}

TEST_F(LayoutTest, FileListsSelectLikeADesktopList) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
    WriteFile(*dir_ / name, name);
  OpenWindow();
  FileListing& list = listing("flFrom");
  ASSERT_EQ(list.count(), 5u);
  auto selectedRows = [&] {
    std::string rows;
    for (std::size_t i = 0; i < list.count(); ++i)
      rows += list.isSelected(i) ? 'x' : '.';
    return rows;
  };

  clickRow("flFrom", 1);
  EXPECT_EQ(selectedRows(), ".x...");
  clickRow("flFrom", 3, Qt::ShiftModifier);
  EXPECT_EQ(selectedRows(), ".xxx.") << "Shift-click extends over a range";
  clickRow("flFrom", 0, Qt::ControlModifier);
  EXPECT_EQ(selectedRows(), "xxxx.") << "Ctrl-click adds one entry";
  clickRow("flFrom", 2, Qt::ControlModifier);
  EXPECT_EQ(selectedRows(), "xx.x.") << "Ctrl-click removes one entry";
  clickRow("flFrom", 4);
  EXPECT_EQ(selectedRows(), "....x") << "a plain click drops the earlier selection";
}

TEST_F(LayoutTest, ControlsStayInsideTheWindowWithoutHidingEachOther) {
  OpenWindow();
  const QRect client = window_->rect();
  std::vector<QWidget*> controls;
  for (const char* name : kTabOrder)
    controls.push_back(control<QWidget>(name));
  for (QWidget* widget : controls) {
    EXPECT_TRUE(client.contains(widget->geometry())) << widget->objectName().toStdString();
    EXPECT_TRUE(widget->isVisible()) << widget->objectName().toStdString();
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
          << controls[i]->objectName().toStdString() << " overlaps "
          << controls[j]->objectName().toStdString();
    }
  }
  for (const char* name : {"lblConvertFrom", "lblConvertTo", "lblToName"}) {
    EXPECT_TRUE(client.contains(control<QWidget>(name)->geometry())) << name;
  }
  // "New file name" lies wholly under the source file list, which covers it.
  auto* label = control<QLabel>("lblToName");
  auto* list = control<QWidget>("flFrom");
  EXPECT_TRUE(list->geometry().contains(label->geometry()));
  QWidget* shown = window_->childAt(label->geometry().center());
  EXPECT_TRUE(shown == list || list->isAncestorOf(shown));
}

TEST_F(LayoutTest, TheWindowCarriesItsTitleAndItsOwnIcon) {
  OpenWindow();
  EXPECT_EQ(window_->windowTitle(), "Varnoth");
  const QIcon icon = window_->windowIcon();
  EXPECT_EQ(icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32),
            QImage(":/icons/varnoth-32.xpm").convertToFormat(QImage::Format_ARGB32))
      << "the hand-made 32 x 32 pixels at their own size";
  // Drawn afresh for a screen at 200%, not the small one blown up (or nothing at all).
  EXPECT_EQ(icon.pixmap(QSize(64, 64)).size(), QSize(64, 64));
  EXPECT_EQ(icon.pixmap(QSize(256, 256)).size(), QSize(256, 256));
}

TEST_F(LayoutTest, EnterInAListPressesNeitherButton) {
  WriteFile(*dir_ / "a.jpg", "a");
  OpenWindow();
  clickRow("flFrom", 0);
  for (const char* name : {"cmdConvert", "cmdMakeDir"}) {
    EXPECT_FALSE(control<QPushButton>(name)->isDefault()) << name;
    EXPECT_FALSE(control<QPushButton>(name)->autoDefault()) << name;
  }
  QTest::keyClick(control<QWidget>("flFrom"), Qt::Key_Return);
  QTest::keyClick(control<QWidget>("flFrom"), Qt::Key_Escape);
  EXPECT_EQ(NamesIn(dir_->path()), std::vector<std::string>{"a.jpg"});
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(dialogs_.questions.empty());
}

}  // namespace
}  // namespace varnoth::test
