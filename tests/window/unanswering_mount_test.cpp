// SPDX-License-Identifier: GPL-3.0-or-later
// A mount that stops answering while the window uses it: the FUSE server of a real mount is
// stopped with SIGSTOP, as a share whose server or network has gone. Run on a file system that
// filesystem_image.sh has mounted, with VARNOTH_FS_MOUNT naming it.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/window/window_fixture.h"
#include "unanswered_folders.h"

namespace varnoth::test {
namespace {

using Entries = std::vector<std::string>;

// The process serving `mount`: the one whose command line names it.
pid_t ServerOf(const std::string& mount) {
  for (const auto& process : std::filesystem::directory_iterator("/proc")) {
    std::ifstream in(process.path() / "cmdline");
    std::string commandLine((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (char& c : commandLine) {
      if (c == '\0')
        c = ' ';
    }
    const std::string name = process.path().filename();
    if (commandLine.find(" " + mount) != std::string::npos &&
        name.find_first_not_of("0123456789") == std::string::npos && std::stoi(name) != getpid()) {
      return std::stoi(name);
    }
  }
  return 0;
}

class UnansweringMountTest : public WindowTest {
 public:
  // The actions of the scenarios, and what each shows once it has worked.
  static void OpenOnShare(UnansweringMountTest& t) {
    auto& self = t;
    // While the share is stopped, the process is in it already: changing to it would wait too.
    if (!self.frozen_) {
      ASSERT_EQ(chdir(self.photos_.c_str()), 0);
    }
    self.window_.reset();
    self.OpenWindow();
  }
  static void Type(UnansweringMountTest& t) {
    auto& self = t;
    self.typeStem("Trip");
  }
  static void OpenLinkedFolder(UnansweringMountTest& t) {
    auto& self = t;
    self.openDirectory("dirFrom", "nas");
  }
  static void RenameAll(UnansweringMountTest& t) {
    auto& self = t;
    self.clickRow("flFrom", 0);
    self.clickRow("flFrom", 1, Qt::ShiftModifier);
    QTest::mouseClick(self.control<QPushButton>("cmdConvert"), Qt::LeftButton);
  }
  static void ListsTheShare(UnansweringMountTest& t) {
    auto& self = t;
    EXPECT_EQ(self.entries("flFrom"), (Entries{"a.jpg", "b.jpg"}));
  }
  static void ListsTheLink(UnansweringMountTest& t) {
    auto& self = t;
    auto* tree = self.control<QTreeWidget>("dirFrom");
    EXPECT_FALSE(tree->findItems("nas", Qt::MatchExactly | Qt::MatchRecursive).isEmpty());
  }
  static void MovedAll(UnansweringMountTest& t) {
    auto& self = t;
    EXPECT_EQ(NamesIn(self.photos_), (Entries{"photos001.jpg", "photos002.jpg"}));
  }

 protected:
  void SetUp() override {
    WindowTest::SetUp();
    const char* mount = std::getenv("VARNOTH_FS_MOUNT");
    if (!mount)
      GTEST_SKIP() << "run through filesystem_image.sh, which mounts a file system to stop";
    mount_ = mount;
    server_ = ServerOf(mount_);
    if (server_ == 0)
      GTEST_SKIP() << "no server process for " << mount_ << ": not a FUSE mount";
    share_.emplace(mount_);
    photos_ = *share_ / "photos";
    ASSERT_EQ(mkdir(photos_.c_str(), 0755), 0);
    WriteFile(photos_ + "/a.jpg", "a");
    WriteFile(photos_ + "/b.jpg", "b");
    std::filesystem::create_directory_symlink(photos_, *dir_ / "nas");
    before_ = TakeCensus({photos_});
  }

  void TearDown() override {
    thaw();
    // Workers left behind come back once the server runs again.
    for (int tries = 0; UnansweredFolders::Instance().check(photos_) && tries < 500; ++tries)
      QTest::qWait(20);
    if (!photos_.empty()) {
      EXPECT_FALSE(UnansweredFolders::Instance().check(photos_))
          << "the mount still counts as not answering";
      EXPECT_TRUE(NothingLost(before_, TakeCensus({photos_})));
    }
    WindowTest::TearDown();
    share_.reset();
  }

  void freeze() {
    ASSERT_EQ(kill(server_, SIGSTOP), 0);
    frozen_ = true;
  }
  void thaw() {
    if (std::exchange(frozen_, false))
      kill(server_, SIGCONT);
  }

  // Runs `action` on the stopped mount. The window must go on painting while it waits, and, when
  // `close` is set, close when asked during the wait.
  void whileFrozen(const std::function<void()>& action, bool close) {
    PaintCounter counter;
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, [&] {
      if (window_)
        window_->update();
    });
    // A window made by the action itself is not shown while it waits.
    FrmMain* const watched = window_ && window_->isVisible() ? window_.get() : nullptr;
    if (watched)
      watched->installEventFilter(&counter);
    repaint.start(50);
    if (close) {
      QTimer::singleShot(500, [this] { window_->close(); });
    }
    freeze();
    action();
    repaint.stop();
    if (watched && window_.get() == watched) {
      watched->removeEventFilter(&counter);
      EXPECT_GT(counter.paints, 0) << "the window did not repaint while it waited";
    }
  }

  std::string messagesSoFar() const {
    std::string all;
    for (const auto& message : dialogs_.messages)
      all += message + "\n";
    return all;
  }

  std::string mount_;
  pid_t server_ = 0;
  bool frozen_ = false;
  std::optional<TempDir> share_;
  std::string photos_;
  FileCensus before_;
};

struct Scenario {
  const char* name;
  // Where the window opens: the folder on the share, or a local folder with a link to it.
  bool startOnShare;
  // The action on the stopped mount, repeated once it answers again.
  std::function<void(UnansweringMountTest&)> act;
  // What the window shows once the same action has worked.
  std::function<void(UnansweringMountTest&)> check;
};

class ScenarioTest : public UnansweringMountTest, public testing::WithParamInterface<Scenario> {};

TEST_P(ScenarioTest, TheWindowPaintsNamesTheFolderAndTheSameActionWorksOnceItAnswers) {
  const Scenario& row = GetParam();
  if (row.startOnShare)
    ASSERT_EQ(chdir(photos_.c_str()), 0);
  else
    // A fresh change, so that no earlier read of the folder can stand in for a new one.
    WriteFile(*dir_ / "fresh.txt", "");
  if (std::string(row.name) != "at_start_up")
    OpenWindow();

  whileFrozen([&] { row.act(*this); }, false);
  EXPECT_NE(messagesSoFar().find("'\u2068" + mount_ + "\u2069' does not answer"), std::string::npos)
      << "messages:\n"
      << messagesSoFar();

  thaw();
  for (int tries = 0; UnansweredFolders::Instance().check(photos_) && tries < 500; ++tries)
    QTest::qWait(20);
  const std::size_t shown = dialogs_.messages.size();
  row.act(*this);
  EXPECT_EQ(dialogs_.messages.size(), shown) << "messages:\n" << messagesSoFar();
  row.check(*this);
}

TEST_P(ScenarioTest, CloseDuringTheWaitClosesTheWindowWithoutWaitingForTheDeadline) {
  const Scenario& row = GetParam();
  if (std::string(row.name) == "at_start_up")
    GTEST_SKIP() << "the window is not shown yet";
  if (row.startOnShare)
    ASSERT_EQ(chdir(photos_.c_str()), 0);
  else
    WriteFile(*dir_ / "fresh.txt", "");
  OpenWindow();

  whileFrozen([&] { row.act(*this); }, true);
  QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 20000);
  // Given up because of the close, not the deadline: no folder was reported as not answering.
  EXPECT_EQ(messagesSoFar().find("does not answer"), std::string::npos) << "messages:\n"
                                                                        << messagesSoFar();
}

INSTANTIATE_TEST_SUITE_P(
    StoppedMount, ScenarioTest,
    testing::Values(Scenario{"at_start_up", true, UnansweringMountTest::OpenOnShare,
                             UnansweringMountTest::ListsTheShare},
                    Scenario{"on_a_linked_folder", false, UnansweringMountTest::Type,
                             UnansweringMountTest::ListsTheLink},
                    Scenario{"on_browsing", false, UnansweringMountTest::OpenLinkedFolder,
                             UnansweringMountTest::ListsTheShare},
                    Scenario{"on_a_refresh", true, UnansweringMountTest::Type,
                             UnansweringMountTest::ListsTheShare},
                    Scenario{"during_a_run", true, UnansweringMountTest::RenameAll,
                             UnansweringMountTest::MovedAll}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnoth::test
