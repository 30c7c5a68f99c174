#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <filesystem>

#include "drives.h"
#include "qt/directory_list.h"
#include "qt/folder_icons.h"
#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

// A directory list at the window's size, shown, over a table of the root alone.
struct ShownList {
  explicit ShownList(const std::string& directory)
      : drives(std::make_shared<DriveTable>(std::vector<Drive>{{"/", ""}})),
        list(drives, directory) {
    list.setGeometry(0, 0, 188, 96);
    list.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
  }
  QTreeWidgetItem* row(const QString& name) {
    const auto found = list.findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    EXPECT_EQ(found.size(), 1) << name.toStdString();
    return found.value(0);
  }
  // Where the row's icon and name are drawn, in viewport coordinates.
  QRect drawnRect(QTreeWidgetItem* item) {
    const QModelIndex index = list.model()
                                  ->match(list.model()->index(0, 0), Qt::DisplayRole, item->text(0),
                                          1, Qt::MatchExactly | Qt::MatchRecursive)
                                  .value(0);
    const QRect rect = list.visualItemRect(item);
    return {rect.topLeft(), QSize(list.sizeHintForIndex(index).width(), rect.height())};
  }

  std::shared_ptr<DriveTable> drives;
  DirectoryList list;
};

bool SameLook(const QIcon& a, const QIcon& b) {
  return a.pixmap(16).toImage() == b.pixmap(16).toImage();
}

std::string DeepPath(const test::TempDir& dir) {
  std::string path = dir.path();
  for (int level = 1; level <= 10; ++level)
    path += "/level" + std::to_string(level);
  path += "/Holiday 2024";
  std::filesystem::create_directories(path);
  return path;
}

TEST(DirectoryList, ADeepCurrentFolderShowsItsWholeNameInView) {
  test::TempDir dir;
  const std::string deep = DeepPath(dir);
  std::filesystem::create_directory(deep + "/sub");
  ShownList shown(deep);

  QTreeWidgetItem* current = shown.row("Holiday 2024");
  const QRect drawn = shown.drawnRect(current);
  const QRect viewport = shown.list.viewport()->rect();
  EXPECT_TRUE(viewport.contains(drawn)) << "drawn at x " << drawn.left() << " to " << drawn.right()
                                        << ", viewport " << viewport.width() << " wide";
  EXPECT_GE(shown.list.header()->sectionSize(0),
            drawn.right() + shown.list.horizontalScrollBar()->value())
      << "the column is wide enough for the name, so nothing is cut off";
  EXPECT_TRUE(shown.list.horizontalScrollBar()->isVisible());

  // Going up: the list scrolls back so the shallower current folder shows too.
  ASSERT_FALSE(shown.list.setPath(dir / "level1"));
  const QRect shallow = shown.drawnRect(shown.row("level1"));
  EXPECT_TRUE(viewport.contains(shallow));
}

TEST(DirectoryList, TheCurrentFolderStaysMarkedWhenAnotherRowIsSelected) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "Trip/Day1");
  std::filesystem::create_directories(dir / "Trip/Day2");
  ShownList shown(dir / "Trip");
  const QIcon open = FolderIcon(FolderLook::kOpen);
  const QIcon closed = FolderIcon(FolderLook::kClosed);
  ASSERT_FALSE(SameLook(open, closed));

  QTreeWidgetItem* current = shown.row("Trip");
  QTreeWidgetItem* day2 = shown.row("Day2");
  shown.list.scrollToItem(day2);
  QTest::mouseClick(shown.list.viewport(), Qt::LeftButton, Qt::NoModifier,
                    shown.list.visualItemRect(day2).center());
  ASSERT_EQ(shown.list.currentItem(), day2) << "the click selected another row";

  const struct {
    QTreeWidgetItem* row;
    bool open;
    bool bold;
  } rows[] = {
      {shown.row("/"), true, false},
      {current, true, true},
      {shown.row("Day1"), false, false},
      {day2, false, false},
  };
  for (const auto& [row, open_, bold] : rows) {
    EXPECT_TRUE(SameLook(row->icon(0), open_ ? open : closed)) << row->text(0).toStdString();
    EXPECT_EQ(row->font(0).bold(), bold) << row->text(0).toStdString();
  }

  // The window sets the list's font after the list has shown its rows; the mark must take the
  // new font but for its weight.
  QFont italic = shown.list.font();
  italic.setItalic(true);
  shown.list.setFont(italic);
  ASSERT_FALSE(shown.list.refresh());
  QFont upright = italic;
  upright.setItalic(false);
  shown.list.setFont(upright);
  const QFont marked = shown.row("Trip")->font(0).resolve(shown.list.font());
  EXPECT_FALSE(marked.italic()) << "drawn in the font the list had when it showed the rows";
  EXPECT_TRUE(marked.bold());
  EXPECT_EQ(shown.list.path(), dir / "Trip") << "a click selects, it does not open";
}

TEST(DirectoryList, ALinkToADirectoryOpensUnderItsOwnPath) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "photos/2024");
  std::filesystem::create_directory(dir / "elsewhere");
  std::filesystem::create_directory_symlink(dir / "photos", dir / "elsewhere/pics");
  ShownList shown(dir / "elsewhere");

  ASSERT_FALSE(shown.list.setPath(dir / "elsewhere/pics"));
  EXPECT_EQ(shown.list.path(), dir / "elsewhere/pics");
  EXPECT_NE(shown.row("2024"), nullptr) << "the link's target is listed";
  EXPECT_EQ(shown.list.currentItem(), shown.row("pics"));

  // Its parent is the directory the link lies in, not the one it points to.
  ASSERT_FALSE(shown.list.setPath(dir / "elsewhere/pics/.."));
  EXPECT_EQ(shown.list.path(), dir / "elsewhere");
}

TEST(DirectoryList, ADriveNoLongerMountedFailsEvenWhereItsMountPointRemains) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "card");
  ShownList shown(dir.path());
  shown.drives->setDrives({{"/", ""}, {dir / "card", "CARD"}});
  EXPECT_FALSE(shown.list.setDrive(dir / "card"));
  EXPECT_EQ(shown.list.path(), dir / "card");

  ASSERT_FALSE(shown.list.setPath(dir.path()));
  shown.drives->setDrives({{"/", ""}});
  EXPECT_EQ(shown.list.setDrive(dir / "card"), std::errc::no_such_device);
  EXPECT_EQ(shown.list.path(), dir.path()) << "the list stays where it was";
}

}  // namespace
}  // namespace varnoth
