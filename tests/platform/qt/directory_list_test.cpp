// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "drives.h"
#include "qt/directory_list.h"
#include "qt/folder_icons.h"
#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

// A directory list at the window's size, shown.
struct ShownList {
  explicit ShownList(const std::string& directory)
      : list(std::make_shared<DriveTable>(std::vector<Drive>{{"/", ""}}), directory) {
    list.setGeometry(0, 0, 188, 96);
    list.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
  }
  QTreeWidgetItem* row(const QString& name) {
    return list.findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
  }
  // Where the current directory's icon and name are drawn, in viewport coordinates.
  QRect drawnCurrentRow() {
    const QRect rect = list.visualRect(list.currentIndex());
    return {rect.topLeft(), QSize(list.sizeHintForIndex(list.currentIndex()).width(), 1)};
  }
  DirectoryList list;
};

TEST(DirectoryList, ADeepCurrentFolderShowsItsWholeNameInView) {
  test::TempDir dir;
  std::string deep = dir.path();
  for (int level = 1; level <= 10; ++level)
    deep += "/level" + std::to_string(level);
  std::filesystem::create_directories(deep + "/Holiday 2024/sub");
  ShownList shown(deep + "/Holiday 2024");

  const QRect viewport = shown.list.viewport()->rect();
  EXPECT_TRUE(viewport.contains(shown.drawnCurrentRow()))
      << "drawn from x " << shown.drawnCurrentRow().left() << " to "
      << shown.drawnCurrentRow().right() << " in a viewport " << viewport.width() << " wide";
  ASSERT_FALSE(shown.list.setPath(dir / "level1"));
  EXPECT_TRUE(viewport.contains(shown.drawnCurrentRow())) << "scrolled back for a shallow one";
}

TEST(DirectoryList, TheCurrentFolderStaysMarkedWhenAnotherRowIsSelected) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "Trip/Day1");
  std::filesystem::create_directories(dir / "Trip/Day2");
  ShownList shown(dir / "Trip");
  // The window sets the list's font after the list has shown its rows.
  QFont italic = shown.list.font();
  italic.setItalic(true);
  shown.list.setFont(italic);
  ASSERT_FALSE(shown.list.refresh());
  shown.list.setFont(QFont());
  shown.list.scrollToItem(shown.row("Day2"));
  QTest::mouseClick(shown.list.viewport(), Qt::LeftButton, Qt::NoModifier,
                    shown.list.visualItemRect(shown.row("Day2")).center());
  ASSERT_EQ(shown.list.currentItem(), shown.row("Day2")) << "the click selected another row";

  const auto look = [](const QIcon& icon) { return icon.pixmap(16).toImage(); };
  const struct {
    const char* name;
    FolderLook folder;
    bool bold;
  } rows[] = {{"/", FolderLook::kOpen, false},
              {"Trip", FolderLook::kOpen, true},
              {"Day1", FolderLook::kClosed, false},
              {"Day2", FolderLook::kClosed, false}};
  for (const auto& [name, folder, bold] : rows) {
    QTreeWidgetItem* row = shown.row(name);
    EXPECT_EQ(look(row->icon(0)), look(FolderIcon(folder))) << name;
    const QFont drawn = row->font(0).resolve(shown.list.font());
    EXPECT_EQ(drawn.bold(), bold) << name;
    EXPECT_FALSE(drawn.italic()) << name << " keeps the font the list had when it showed it";
  }
  EXPECT_NE(look(FolderIcon(FolderLook::kOpen)), look(FolderIcon(FolderLook::kClosed)));
}

TEST(DirectoryList, ALinkToADirectoryOpensUnderItsOwnPath) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "photos/2024");
  std::filesystem::create_directory(dir / "elsewhere");
  std::filesystem::create_directory_symlink(dir / "photos", dir / "elsewhere/pics");
  ShownList shown(dir / "elsewhere/pics");
  EXPECT_EQ(shown.list.path(), dir / "elsewhere/pics");
  EXPECT_EQ(shown.list.currentItem(), shown.row("pics"));
  EXPECT_NE(shown.row("2024"), nullptr) << "the target's sub-directories are listed";
  ASSERT_FALSE(shown.list.setPath(dir / "elsewhere/pics/.."));
  EXPECT_EQ(shown.list.path(), dir / "elsewhere") << "up is where the link lies";
}

}  // namespace
}  // namespace varnoth
