// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "qt/mount_watcher.h"
#include "tests/support/temp_dir.h"

namespace varnoth {
namespace {

// The kernel's own notification, end to end: a helper in a mount namespace of its own mounts a
// file system and unmounts it, and a watcher follows that namespace's mount table.
TEST(MountWatcher, FollowsAMountAndAnUnmountAsTheKernelSignalsThem) {
  test::TempDir dir;
  const std::string card = dir / "card";
  std::filesystem::create_directory(card);
  QProcess helper;
  helper.start("unshare",
               {"--user", "--map-root-user", "--mount", "--propagation", "private", "sh", "-c",
                "echo ready; read a; mount -t tmpfs card \"$0\" && echo mounted; "
                "read a; umount \"$0\"; read a",
                QString::fromStdString(card)});
  if (!helper.waitForReadyRead(5000) || helper.readLine().trimmed() != "ready")
    GTEST_SKIP() << "no mount namespace for this user";
  MountWatcher watcher("/proc/" + std::to_string(helper.processId()) + "/mountinfo");
  int notified = 0;
  QObject::connect(&watcher, &MountWatcher::drivesChanged, [&] { ++notified; });
  const auto lists = [&](const std::string& mountPoint) {
    return std::any_of(watcher.drives().begin(), watcher.drives().end(),
                       [&](const Drive& drive) { return drive.mountPoint == mountPoint; });
  };
  const auto listed = [&] { return lists(card); };
  EXPECT_FALSE(listed());

  helper.write("\n");
  if (!helper.waitForReadyRead(5000) || helper.readLine().trimmed() != "mounted")
    GTEST_SKIP() << "this user may not mount";
  EXPECT_TRUE(QTest::qWaitFor(listed, 5000));
  EXPECT_TRUE(lists("/")) << "the whole table is read again, not only what was added to it";
  helper.write("\n");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !listed(); }, 5000));
  EXPECT_EQ(notified, 2);
  helper.write("\n");
  helper.waitForFinished(5000);
}

}  // namespace
}  // namespace varnoth
