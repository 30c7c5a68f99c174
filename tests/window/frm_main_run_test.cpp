// SPDX-License-Identifier: GPL-3.0-or-later
// A rename run with moves that wait for the window's thread: the window must go on handling its
// events while they wait, and act on no input until the run is over.
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>

#include "qt/mount_watcher.h"
#include "qt/qt_dialogs.h"
#include "tests/support/forwarding_file_services.h"
#include "tests/window/window_fixture.h"

namespace varnoth::test {
namespace {

using Entries = std::vector<std::string>;

// Moves for real, but each move first waits until the window's thread lets it through; names in
// `failCopy` / `failDelete` report that step as failed and touch nothing. Every move and every
// message goes into one log, in the order they happen.
class GatedFileServices final : public test::ForwardingFileServices {
 public:
  MoveResult moveFile(const Folder& fromFolder, const std::string& name, const Folder& toFolder,
                      const std::string& to) override {
    {
      std::unique_lock lock(mutex_);
      log_.push_back("move " + name);
      ++waiting_;
      // A run on the window's thread would never be let through: time out instead of hanging.
      if (!gate_.wait_for(lock, std::chrono::seconds(3), [this] { return passes_ > 0; }))
        ++timeouts_;
      else
        --passes_;
      --waiting_;
    }
    if (failCopy.count(name))
      return {MoveResult::Step::kCopy, std::make_error_code(std::errc::io_error)};
    if (failDelete.count(name))
      return {MoveResult::Step::kDelete, std::make_error_code(std::errc::permission_denied)};
    return SystemFileServices().moveFile(fromFolder, name, toFolder, to);
  }

  bool moveIsWaiting() {
    std::lock_guard lock(mutex_);
    return waiting_ > passes_;
  }
  void letOneThrough() {
    std::lock_guard lock(mutex_);
    ++passes_;
    gate_.notify_all();
  }
  void note(const std::string& line) {
    std::lock_guard lock(mutex_);
    log_.push_back(line);
  }
  Entries log() {
    std::lock_guard lock(mutex_);
    return log_;
  }
  int timeouts() {
    std::lock_guard lock(mutex_);
    return timeouts_;
  }

  std::set<std::string> failCopy;
  std::set<std::string> failDelete;

 private:
  std::mutex mutex_;
  std::condition_variable gate_;
  int waiting_ = 0;
  int passes_ = 0;
  int timeouts_ = 0;
  Entries log_;
};

class RunTest : public WindowTest {
 protected:
  // Four selected files a.jpg .. d.jpg and the stem "Trip"; the window's moves go through the gate.
  void openWithFourSelectedFiles() {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
      WriteFile(*dir_ / name, name);
    OpenWindow({}, &files_);
    typeStem("Trip");
    clickRow("flFrom", 0);
    clickRow("flFrom", 3, Qt::ShiftModifier);
    before_ = TakeCensus({dir_->path()});
  }

  // Clicks Rename Files. Whenever a move waits, a timer on the window's thread calls `whileWaiting`
  // and lets the move through once it returns true; the timer can fire only if the window's thread
  // handles events during the run.
  void renameWhile(const std::function<bool()>& whileWaiting) {
    QTimer poll;
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!files_.moveIsWaiting())
        return;
      if (!done)
        done = whileWaiting();
      if (done)
        files_.letOneThrough();
    });
    poll.start(2);
    QTest::mouseClick(control<QPushButton>("cmdConvert"), Qt::LeftButton);
    poll.stop();
    EXPECT_EQ(files_.timeouts(), 0) << "moves waited in vain: the window's thread was blocked";
  }

  void expectEveryFileMoved() {
    EXPECT_EQ(NamesIn(dir_->path()),
              (Entries{"Trip001.jpg", "Trip002.jpg", "Trip003.jpg", "Trip004.jpg"}));
    EXPECT_EQ(ReadFile(*dir_ / "Trip004.jpg"), "d.jpg");
    EXPECT_TRUE(NothingLost(before_, TakeCensus({dir_->path()})));
  }

  GatedFileServices files_;
  FileCensus before_;
};

TEST_F(RunTest, TheWindowRepaintsWhileAMoveIsUnderWay) {
  openWithFourSelectedFiles();
  PaintCounter counter;
  window_->installEventFilter(&counter);
  int asked = 0;
  renameWhile([&] {
    if (asked++ == 0) {
      counter.paints = 0;
      window_->update();
      return false;
    }
    return counter.paints > 0;
  });
  EXPECT_GT(counter.paints, 0);
  expectEveryFileMoved();
  EXPECT_EQ(entries("flTo").size(), 4u);
  EXPECT_TRUE(entries("flFrom") == entries("flTo"));
}

TEST_F(RunTest, ClicksAndKeysDuringARunAreNeverActedOn) {
  openWithFourSelectedFiles();
  auto* makeDir = control<QPushButton>("cmdMakeDir");
  auto* convert = control<QPushButton>("cmdConvert");
  auto* nameBox = control<QLineEdit>("txtToName");
  QSignalSpy makeDirClicks(makeDir, &QPushButton::clicked);
  QSignalSpy convertClicks(convert, &QPushButton::clicked);
  dialogs_.answers = {"Sub"};
  QWindow* native = window_->windowHandle();
  renameWhile([&] {
    // Through the native window, as the system delivers input, and straight at the controls.
    QTest::mouseClick(native, Qt::LeftButton, {},
                      makeDir->mapTo(window_.get(), makeDir->rect().center()));
    QTest::mouseClick(makeDir, Qt::LeftButton);
    // The focus is on Rename Files, which Space would click again.
    QTest::keyClick(native, Qt::Key_Space);
    QTest::keyClick(nameBox, Qt::Key_X);
    // Input that is still queued when the run ends.
    QCoreApplication::postEvent(nameBox, new QKeyEvent(QEvent::KeyPress, Qt::Key_Y, {}, "y"));
    QCoreApplication::postEvent(native, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, {}, " "));
    return true;
  });
  QApplication::processEvents();

  EXPECT_EQ(makeDirClicks.count(), 0);
  EXPECT_EQ(convertClicks.count(), 1);
  EXPECT_TRUE(dialogs_.questions.empty());
  EXPECT_EQ(nameBox->text(), "Trip");
  EXPECT_TRUE(dialogs_.messages.empty());
  expectEveryFileMoved();

  // Once the run is over, the window answers again.
  QTest::mouseClick(makeDir, Qt::LeftButton);
  EXPECT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(*dir_ / "Sub"));
}

// A mount table that the test changes as the kernel would, and its drive list's resets.
TEST_F(RunTest, AMountTableChangeDuringARunIsHandledOnceTheRunIsOver) {
  openWithFourSelectedFiles();
  const TempDir elsewhere;
  const std::string table = elsewhere / "mountinfo";
  const std::string card = *dir_ / "card";
  const std::string root = "26 1 254:0 / / rw - ext4 /dev/vda rw\n";
  const std::string withCard = root + "40 26 8:17 / " + card + " rw - vfat /dev/sdb1 rw\n";
  WriteFile(table, root);
  window_->followMounts(table);
  auto* watcher = window_->findChild<MountWatcher*>();
  auto* drives = control<QComboBox>("drvFrom");
  auto listed = [&] {
    Entries mountPoints;
    for (int i = 0; i < drives->count(); ++i)
      mountPoints.push_back(drives->itemData(i).toByteArray().toStdString());
    return mountPoints;
  };
  ASSERT_EQ(listed(), Entries{"/"});
  QSignalSpy refills(drives->model(), &QAbstractItemModel::rowsRemoved);

  Entries listedDuringRun;
  renameWhile([&] {
    // Plugged in, pulled out and plugged in again between two moves.
    for (const std::string* lines : {&withCard, &root, &withCard}) {
      WriteFile(table, *lines);
      watcher->reread();
    }
    listedDuringRun = listed();
    return true;
  });
  EXPECT_EQ(listedDuringRun, Entries{"/"}) << "no handler runs in the middle of a run";
  QApplication::processEvents();

  EXPECT_EQ(listed(), (Entries{"/", card}));
  EXPECT_EQ(refills.count(), 1) << "handled once, with the latest table";
  expectEveryFileMoved();
}

TEST_F(RunTest, AskingToCloseDuringARunClosesTheWindowOnceTheRunEnds) {
  openWithFourSelectedFiles();
  bool visibleAfterAsking = false;
  renameWhile([&] {
    window_->close();
    visibleAfterAsking = window_->isVisible();
    return true;
  });
  EXPECT_TRUE(visibleAfterAsking);
  EXPECT_FALSE(window_->isVisible());
  expectEveryFileMoved();
}

TEST_F(RunTest, EachFailureIsShownOnTheWindowsThreadBeforeTheNextMove) {
  openWithFourSelectedFiles();
  files_.failCopy = {"b.jpg"};
  files_.failDelete = {"c.jpg"};
  dialogs_.onMessage = [&](const std::string& text) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
      if (text.find(std::string("/") + name) != std::string::npos) {
        files_.note(std::string("message about ") + name);
        return;
      }
    }
    files_.note("message " + text);
  };
  renameWhile([] { return true; });

  EXPECT_EQ(files_.log(), (Entries{"move a.jpg", "move b.jpg", "message about b.jpg", "move c.jpg",
                                   "message about c.jpg", "move d.jpg"}));
  EXPECT_EQ(dialogs_.shownOffWindowThread, 0);
  // As a synchronous run leaves them: the failed copy keeps its number used up.
  EXPECT_EQ(NamesIn(dir_->path()), (Entries{"Trip001.jpg", "Trip004.jpg", "b.jpg", "c.jpg"}));
  EXPECT_EQ(entries("flFrom"), (Entries{"b.jpg", "c.jpg", "Trip001.jpg", "Trip004.jpg"}));
  EXPECT_EQ(entries("flTo"), (Entries{"Trip001.jpg", "Trip004.jpg"}));
  EXPECT_TRUE(NothingLost(before_, TakeCensus({dir_->path()})));
}

TEST_F(RunTest, TheRealMessageBoxOfAFailureIsAnsweredAndTheRunGoesOn) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
    WriteFile(*dir_ / name, name);
  files_.failCopy = {"b.jpg"};
  QtDialogs dialogs;
  window_ = std::make_unique<FrmMain>(dialogs, dialogs, files_, ReadMountedDrives());
  dialogs.setParent(window_.get());
  window_->load();
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  typeStem("Trip");
  clickRow("flFrom", 0);
  clickRow("flFrom", 3, Qt::ShiftModifier);
  before_ = TakeCensus({dir_->path()});

  QString shown;
  Entries logWhileShown;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
      return;
    shown = box->text().remove(QChar(0x200B));
    logWhileShown = files_.log();
    QTest::keyClick(box, Qt::Key_Return);
  });
  answer.start(5);
  renameWhile([] { return true; });
  answer.stop();

  EXPECT_NE(shown.indexOf("b.jpg"), -1) << shown.toStdString();
  EXPECT_EQ(logWhileShown, (Entries{"move a.jpg", "move b.jpg"})) << "the run waits for the answer";
  EXPECT_EQ(NamesIn(dir_->path()), (Entries{"Trip001.jpg", "Trip003.jpg", "Trip004.jpg", "b.jpg"}));
  EXPECT_TRUE(NothingLost(before_, TakeCensus({dir_->path()})));
  QApplication::processEvents();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    EXPECT_TRUE(top == window_.get() || !top->isVisible())
        << "left open: " << top->metaObject()->className();
  }
}

}  // namespace
}  // namespace varnoth::test
