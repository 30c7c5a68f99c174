#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "qt/mount_watcher.h"
#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

bool Lists(const std::vector<Drive>& drives, const std::string& mountPoint) {
  return std::any_of(drives.begin(), drives.end(),
                     [&](const Drive& drive) { return drive.mountPoint == mountPoint; });
}

// The kernel's own notification, end to end: a helper process in a mount namespace of its own
// mounts a file system and unmounts it, and a watcher follows that namespace's mount table.
TEST(MountWatcher, FollowsAMountAndAnUnmountAsTheKernelSignalsThem) {
  test::TempDir dir;
  const std::string card = dir / "card";
  std::filesystem::create_directory(card);
  QProcess helper;
  helper.start("unshare",
               {"--user", "--map-root-user", "--mount", "--propagation", "private", "sh", "-c",
                "echo ready; read a; mount -t tmpfs card \"$0\" && echo mounted; read a; "
                "umount \"$0\" && echo unmounted; read a",
                QString::fromStdString(card)});
  if (!helper.waitForReadyRead(5000) || helper.readLine().trimmed() != "ready")
    GTEST_SKIP() << "no mount namespace for this user: " << helper.readAllStandardError().data();

  MountWatcher watcher("/proc/" + std::to_string(helper.processId()) + "/mountinfo");
  EXPECT_FALSE(Lists(watcher.drives(), card));
  QSignalSpy changed(&watcher, &MountWatcher::drivesChanged);

  helper.write("\n");
  ASSERT_TRUE(helper.waitForReadyRead(5000)) << helper.readAllStandardError().data();
  if (helper.readLine().trimmed() != "mounted")
    GTEST_SKIP() << "this user may not mount: " << helper.readAllStandardError().data();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Lists(watcher.drives(), card); }, 5000));
  EXPECT_EQ(changed.count(), 1);

  helper.write("\n");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Lists(watcher.drives(), card); }, 5000));
  EXPECT_EQ(changed.count(), 2);
  ASSERT_FALSE(changed.isEmpty());
  EXPECT_FALSE(Lists(changed.last().at(0).value<std::vector<Drive>>(), card));

  helper.write("\n");
  helper.waitForFinished(5000);
}

TEST(MountWatcher, AnUnchangedTableIsNotNotifiedAgain) {
  test::TempDir dir;
  const std::string table = dir / "mountinfo";
  test::WriteFile(table, "26 1 254:0 / / rw - ext4 /dev/vda rw\n");
  MountWatcher watcher(table);
  QSignalSpy changed(&watcher, &MountWatcher::drivesChanged);
  watcher.reread();
  EXPECT_EQ(changed.count(), 0) << "other mounts elsewhere also wake the watcher";
  test::WriteFile(table,
                  "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
                  "40 26 8:17 / /media/card rw - vfat /dev/sdb1 rw\n");
  watcher.reread();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_TRUE(Lists(watcher.drives(), "/media/card"));
}

}  // namespace
}  // namespace varnoth
