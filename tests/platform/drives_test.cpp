// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "drives.h"

namespace varnoth {
namespace {

TEST(MountInfo, KeepsUserFileSystemsAndLeavesOutPseudoAndSystemMounts) {
  const char* mountInfo =
      "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
      "22 26 0:21 / /sys rw,relatime - sysfs sysfs rw\n"
      "24 23 0:22 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
      "25 23 0:23 / /dev/pts rw,relatime - devpts devpts rw\n"
      "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
      "30 22 0:27 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw\n"
      "31 26 0:40 / /run/user/1000 rw shared:5 - tmpfs tmpfs rw\n"
      "40 26 8:17 / /media/anna/My\\040Card rw,nosuid shared:7 master:1 - vfat /dev/sdb1 rw\n"
      "41 26 8:2 / /home rw - ext4 /dev/sda2 rw\n"
      "42 26 8:2 / /home rw - ext4 /dev/sda2 rw\n"
      "broken line\n";
  const auto drives = ParseMountInfo(mountInfo, {{"/dev/sdb1", "PHOTOS"}});
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].mountPoint, "/");
  EXPECT_EQ(drives[1].mountPoint, "/home") << "a mount point mounted twice is listed once";
  EXPECT_EQ(drives[2].mountPoint, "/media/anna/My Card") << "escaped blanks are decoded";
  EXPECT_EQ(drives[2].volumeName, "PHOTOS");
}

TEST(DriveTable, ThePathBelongsToTheDeepestMountPointHoldingIt) {
  DriveTable table({{"/", ""}, {"/home", ""}, {"/home/anna/card", ""}});
  EXPECT_EQ(table.driveOf("/etc"), "/");
  EXPECT_EQ(table.driveOf("/home"), "/home");
  EXPECT_EQ(table.driveOf("/home/anna"), "/home");
  EXPECT_EQ(table.driveOf("/homework"), "/") << "a prefix must end at a path separator";
  EXPECT_EQ(table.driveOf("/home/anna/card/DCIM"), "/home/anna/card");
}

TEST(DriveTable, RemembersTheLastDirectoryVisitedOnEachDrive) {
  DriveTable table({{"/", ""}, {"/media/card", ""}});
  EXPECT_EQ(table.currentDirectoryOn("/media/card"), "/media/card") << "the root at first";
  table.visited("/media/card/DCIM/100");
  table.visited("/home/anna");
  EXPECT_EQ(table.currentDirectoryOn("/media/card"), "/media/card/DCIM/100");
  EXPECT_EQ(table.currentDirectoryOn("/"), "/home/anna");
}

TEST(DriveCaption, PutsTheNameAPersonKnowsFirstAndTheMountPointAfterIt) {
  const struct {
    Drive drive;
    std::string caption;
  } cases[] = {
      {{"/", ""}, "/"},
      {{"/media/anna/EOS_DIGITAL", "EOS_DIGITAL"}, "EOS_DIGITAL  (/media/anna/EOS_DIGITAL)"},
      {{"/mnt/card", "PHOTOS 2024"}, "PHOTOS 2024  (/mnt/card)"},
      {{"/home", ""}, "home  (/home)"},
      {{"/media/anna/My Card", ""}, "My Card  (/media/anna/My Card)"},
      {{"/", "debian"}, "debian  (/)"},
  };
  for (const auto& [drive, caption] : cases)
    EXPECT_EQ(DriveCaption(drive), caption) << drive.mountPoint;
}

}  // namespace
}  // namespace varnoth
