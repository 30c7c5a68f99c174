// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/window/window_fixture.h"

#include <unistd.h>

#include <QLineEdit>
#include <QTreeWidget>

#include "current_directory.h"
#include "tests/support/list_entries.h"

namespace varnoth::test {

void WindowTest::SetUp() {
  dir_ = std::make_unique<TempDir>();
  previousDirectory_ = CurrentDirectory();
  ASSERT_EQ(chdir(dir_->path().c_str()), 0);
}

void WindowTest::TearDown() {
  window_.reset();
  ASSERT_EQ(chdir(previousDirectory_.c_str()), 0);
  dir_.reset();
}

void WindowTest::OpenWindow(std::vector<Drive> drives, FileServices* files) {
  if (drives.empty())
    drives = ReadMountedDrives();
  window_ = std::make_unique<FrmMain>(dialogs_, dialogs_, files ? *files : SystemFileServices(),
                                      std::move(drives));
  window_->load();
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
}

std::vector<std::string> WindowTest::entries(const char* name) {
  return EntriesOf(listing(name));
}

void WindowTest::clickRow(const char* list, int row, Qt::KeyboardModifiers modifiers) {
  auto* view = control<QListView>(list);
  const QRect rect = view->visualRect(view->model()->index(row, 0));
  ASSERT_TRUE(rect.isValid()) << "row " << row << " of " << list << " is not shown";
  QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rect.center());
}

void WindowTest::openDirectory(const char* list, const QString& name) {
  auto* tree = control<QTreeWidget>(list);
  const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_FALSE(found.isEmpty()) << name.toStdString() << " is not listed in " << list;
  tree->scrollToItem(found.front());
  const QRect rect = tree->visualItemRect(found.front());
  // A double-click is a press and release followed by a second press that the system reports as a
  // double-click; QTest sends only the latter.
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

void WindowTest::typeStem(const QString& text) {
  auto* box = control<QLineEdit>("txtToName");
  box->setFocus();
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, text);
}

}  // namespace varnoth::test
