// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "durable_copy.h"
#include "posix_file_services.h"
#include "tests/support/file_census.h"
#include "tests/support/temp_dir.h"
#include "unique_fd.h"

namespace varnoth {
namespace {

using test::NamesIn;
using test::NothingLost;
using test::ReadFile;
using test::TakeCensus;
using test::TempDir;
using test::WriteFile;
using Names = std::vector<std::string>;
using CopyFunction = std::function<std::error_code(const std::string&, const std::string&)>;

// The link-first copy of the file services, and the byte copy with each kind of staging file.
const struct {
  const char* description;
  CopyFunction copy;
} kCopies[] = {
    {"file services", [](auto& from, auto& to) { return SystemFileServices().copyFile(from, to); }},
    {"byte copy", [](auto& from, auto& to) { return CopyBytesToNewName(from, to); }},
    {"byte copy through a hidden name",
     [](auto& from, auto& to) { return CopyBytesToNewName(from, to, StagingFile::kHiddenName); }},
};

struct stat StatusOf(const std::string& path) {
  struct stat status = {};
  EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
  return status;
}

void SetModified(const std::string& path, timespec modified) {
  const timespec times[2] = {modified, modified};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST(PosixFileServicesTest, CopyOnOneFileSystemIsAHardLink) {
  TempDir source, target;
  const std::string name = "IMG\xff\xfe_7.JPG";  // not UTF-8
  WriteFile(source / name, "photo");
  SetModified(source / name, {1'000'000'000, 250});
  const auto before = TakeCensus({source.path(), target.path()});

  ASSERT_FALSE(SystemFileServices().copyFile(source / name, target / "Trip001.jpg"));

  const auto copy = StatusOf(target / "Trip001.jpg");
  EXPECT_EQ(copy.st_ino, StatusOf(source / name).st_ino);
  EXPECT_EQ(copy.st_mtim.tv_sec, 1'000'000'000);
  EXPECT_EQ(copy.st_mtim.tv_nsec, 250);
  EXPECT_TRUE(NothingLost(before, TakeCensus({source.path(), target.path()})));
}

TEST(PosixFileServicesTest, CopyNeverReplacesAName) {
  TempDir dir;
  WriteFile(dir / "a.jpg", "new photo");
  WriteFile(dir / "Trip001.jpg", "old photo");
  WriteFile(dir / ".Trip002.jpg", "hidden photo");
  ASSERT_EQ(mkdir((dir / "Trip003.jpg").c_str(), 0777), 0);
  ASSERT_EQ(symlink("nowhere", (dir / "Trip004.jpg").c_str()), 0);
  const auto before = TakeCensus({dir.path()});

  for (const auto& [how, copy] : kCopies) {
    for (const char* taken : {"Trip001.jpg", ".Trip002.jpg", "Trip003.jpg", "Trip004.jpg"}) {
      const std::error_code error = copy(dir / "a.jpg", dir / taken);
      EXPECT_EQ(error, std::errc::file_exists) << how << " onto " << taken;
      EXPECT_EQ(error.message(), "File exists");
    }
  }

  for (const char* taken : {"Trip001.jpg", ".Trip002.jpg", "Trip003.jpg", "Trip004.jpg"}) {
    const MoveResult result = SystemFileServices().moveFile(dir / "a.jpg", dir / taken);
    EXPECT_EQ(result.failedStep, MoveResult::Step::kCopy) << "move onto " << taken;
    EXPECT_EQ(result.error, std::errc::file_exists) << "move onto " << taken;
  }

  EXPECT_EQ(NamesIn(dir.path()).size(), 5u) << "a temporary was left behind";
  EXPECT_TRUE(NothingLost(before, TakeCensus({dir.path()})));
}

TEST(PosixFileServicesTest, ByteCopyRefusesSourcesThatAreNotRegularFiles) {
  TempDir dir;
  ASSERT_EQ(mkdir((dir / "album").c_str(), 0777), 0);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0666), 0);  // would block a plain open

  WriteFile(dir / "photo", "photo");
  ASSERT_EQ(symlink("photo", (dir / "link").c_str()), 0);  // the copy must not follow it

  EXPECT_EQ(CopyBytesToNewName(dir / "album", dir / "a"), MoveError::kNotRegularFile);
  EXPECT_EQ(CopyBytesToNewName(dir / "pipe", dir / "b"), MoveError::kNotRegularFile);
  EXPECT_EQ(CopyBytesToNewName(dir / "link", dir / "c"), MoveError::kNotRegularFile);
  EXPECT_EQ(NamesIn(dir.path()), (Names{"album", "link", "photo", "pipe"}));
}

// A tmpfs such as /dev/shm, when it is another file system than the temporary directory, so that
// the file services' hard link is refused and the byte copy runs.
class CrossDeviceTest : public testing::Test {
 protected:
  void SetUp() override {
    struct stat shm, tmp;
    if (stat("/dev/shm", &shm) != 0 || stat(source_.path().c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev) {
      GTEST_SKIP() << "needs /dev/shm on another file system than " << source_.path();
    }
    target_ = std::make_unique<TempDir>("/dev/shm");
  }

  test::FileCensus census() const { return TakeCensus({source_.path(), target_->path()}); }

  TempDir source_;
  std::unique_ptr<TempDir> target_;
};

TEST_F(CrossDeviceTest, CopyKeepsBytesTimeAndPermissionBits) {
  std::string large(5 << 20, 'L');
  large += "end";
  const struct {
    const char* name;
    std::string bytes;
    mode_t mode;
  } files[] = {
      {"empty.jpg", "", 0644},
      {"large.jpg", large, 0640},
      {"read-only.jpg", "kept", 0444},
      {"Trip\xc3\x28.jpg", "not UTF-8", 0604},
  };
  for (const auto& file : files) {
    WriteFile(source_ / file.name, file.bytes);
    ASSERT_EQ(chmod((source_ / file.name).c_str(), file.mode), 0);
    SetModified(source_ / file.name, {1'100'000'000, 987'654'321});
  }
  const auto before = census();

  for (const auto& [how, copy] : kCopies) {
    for (const auto& file : files) {
      const std::string to = *target_ / (std::string(how) + " " + file.name);
      ASSERT_FALSE(copy(source_ / file.name, to)) << how << ": " << file.name;
      const auto status = StatusOf(to);
      EXPECT_EQ(ReadFile(to), file.bytes) << to;
      EXPECT_EQ(status.st_mode & 07777, file.mode) << to;
      EXPECT_EQ(status.st_mtim.tv_sec, 1'100'000'000) << to;
      EXPECT_EQ(status.st_mtim.tv_nsec, 987'654'321) << to;
    }
  }

  EXPECT_EQ(NamesIn(target_->path()).size(), std::size(kCopies) * std::size(files))
      << "a temporary was left behind";
  EXPECT_TRUE(NothingLost(before, census()));
}

// Runs `body` in a forked child whose files may not grow beyond `bytes`; SIGXFSZ is ignored so
// the write fails with EFBIG. Returns the child's error value, or -1 if it did not exit.
int RunWithFileSizeLimit(rlim_t bytes, const std::function<std::error_code()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit = {bytes, bytes};
    signal(SIGXFSZ, SIG_IGN);
    _exit(setrlimit(RLIMIT_FSIZE, &limit) == 0 ? body().value() : 255);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}

TEST_F(CrossDeviceTest, CopyFailingMidwayLeavesNoFileAndKeepsTheSource) {
  const std::string photo(2 << 20, 'p');
  WriteFile(source_ / "a.jpg", photo);
  const auto before = census();

  for (const auto& [how, copy] : kCopies) {
    const int error = RunWithFileSizeLimit(
        100 << 10, [&, &copy = copy] { return copy(source_ / "a.jpg", *target_ / "Trip001.jpg"); });
    EXPECT_EQ(error, EFBIG) << how;
    EXPECT_EQ(NamesIn(target_->path()), Names{}) << how;
  }

  EXPECT_EQ(ReadFile(source_ / "a.jpg"), photo);
  EXPECT_TRUE(NothingLost(before, census()));
}

// Sets the append-only attribute, as `chattr +a` does, for the object's lifetime.
class AppendOnly {
 public:
  explicit AppendOnly(const std::string& path)
      : fd_(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
    set_ = changeFlag(true);
  }
  ~AppendOnly() {
    if (set_)
      changeFlag(false);
  }
  bool set() const { return set_; }

 private:
  bool changeFlag(bool on) {
    int flags = 0;
    if (!fd_ || ioctl(fd_.get(), FS_IOC_GETFLAGS, &flags) != 0)
      return false;
    flags = on ? flags | FS_APPEND_FL : flags & ~FS_APPEND_FL;
    return ioctl(fd_.get(), FS_IOC_SETFLAGS, &flags) == 0;
  }

  UniqueFd fd_;
  bool set_ = false;
};

TEST(PosixFileServicesTest, AppendOnlySourceIsCopiedButNotDeleted) {
  TempDir source, target;
  WriteFile(source / "a.jpg", "photo");
  SetModified(source / "a.jpg", {1'000'000'000, 0});
  AppendOnly appendOnly(source / "a.jpg");
  if (!appendOnly.set())
    GTEST_SKIP() << "cannot make a file append-only here (needs root, ext4)";
  const auto before = TakeCensus({source.path(), target.path()});

  // link() refuses append-only files with EPERM; the byte copy must take over.
  ASSERT_FALSE(SystemFileServices().copyFile(source / "a.jpg", target / "Trip001.jpg"));
  const std::error_code error = SystemFileServices().deleteFile(source / "a.jpg");

  EXPECT_EQ(error, std::errc::operation_not_permitted);
  EXPECT_EQ(error.message(), "Operation not permitted");
  EXPECT_EQ(ReadFile(target / "Trip001.jpg"), "photo");
  EXPECT_EQ(StatusOf(target / "Trip001.jpg").st_mtim.tv_sec, 1'000'000'000);
  EXPECT_EQ(NamesIn(target.path()), Names{"Trip001.jpg"});
  EXPECT_TRUE(NothingLost(before, TakeCensus({source.path(), target.path()})));
}

TEST(PosixFileServicesTest, DeleteAndMakeDirectoryReportTheSystemsReason) {
  TempDir dir;
  WriteFile(dir / "a.jpg", "photo");
  auto& services = SystemFileServices();

  EXPECT_FALSE(services.makeDirectory(dir / "2024"));
  EXPECT_TRUE(S_ISDIR(StatusOf(dir / "2024").st_mode));
  EXPECT_EQ(services.makeDirectory(dir / "2024"), std::errc::file_exists);
  EXPECT_EQ(services.makeDirectory(dir / "missing/2024"), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(services.deleteFile(dir / "a.jpg"));
  EXPECT_EQ(services.deleteFile(dir / "a.jpg"), std::errc::no_such_file_or_directory);
  EXPECT_EQ(NamesIn(dir.path()), Names{"2024"});
}

// A path cut short at a NUL byte would name another file.
TEST(PosixFileServicesTest, RefusesPathsWithANulByte) {
  TempDir dir;
  WriteFile(dir / "a.jpg", "photo");
  const auto before = TakeCensus({dir.path()});
  const std::string withNul = dir / std::string("a.jpg\0x", 7);
  auto& services = SystemFileServices();

  EXPECT_EQ(services.copyFile(withNul, dir / "b.jpg"), std::errc::invalid_argument);
  EXPECT_EQ(services.copyFile(dir / "a.jpg", dir / std::string("b\0", 2)),
            std::errc::invalid_argument);
  EXPECT_EQ(services.deleteFile(withNul), std::errc::invalid_argument);
  EXPECT_EQ(services.makeDirectory(dir / std::string("d\0", 2)), std::errc::invalid_argument);

  EXPECT_EQ(NamesIn(dir.path()), Names{"a.jpg"});
  EXPECT_TRUE(NothingLost(before, TakeCensus({dir.path()})));
}

}  // namespace
}  // namespace varnoth
