// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <utility>

#include "answered_file_services.h"
#include "dialogs.h"
#include "failure_text.h"
#include "naming.h"
#include "ports/file_services.h"
#include "qt/ask_worker.h"
#include "qt/directory_list.h"
#include "qt/drive_list.h"
#include "qt/extension_selector.h"
#include "qt/file_list_view.h"
#include "qt/mount_watcher.h"
#include "qt/name_box.h"
#include "qt/override_cursor.h"
#include "qt/run_off_thread.h"
#include "qt/worker_wait.h"
#include "rename_run.h"
#include "window_thread_ports.h"

namespace varnoth {

namespace {

// How soon a close asked for during a wait looks again whether the wait has ended.
constexpr std::chrono::milliseconds kLookAgainForClose{20};

// A run's failures, each shown in a message box before the run goes on.
class MessageBoxReport final : public RunReport {
 public:
  explicit MessageBoxReport(MessageSink& messages) : messages_(messages) {}
  void reportFailure(const RunFailure& failure) override {
    // Once the window is closing, the run only says which file stays where it was; every later
    // step fails the same way and says nothing new.
    if (failure.error == WaitError::kClosing) {
      if (failure.step != RunFailure::Step::kCopy || std::exchange(toldWhatStays_, true))
        return;
    }
    messages_.showMessage(RunFailureText(failure));
  }

 private:
  MessageSink& messages_;
  bool toldWhatStays_ = false;
};

}  // namespace

FrmMain::FrmMain(MessageSink& messages, InputPrompt& questions, FileServices& files,
                 std::vector<Drive> drives, QWidget* parent)
    : QWidget(parent),
      messages_(messages),
      questions_(questions),
      files_(files),
      drives_(std::make_shared<DriveTable>(std::move(drives))) {
  createControls();
  held_ = new HeldNotifications(this);
  connectHandlers();
}

void FrmMain::load() {
  Form_Load();
}

FrmMain::~FrmMain() = default;

void FrmMain::followMounts(const std::string& mountInfo) {
  auto* watcher = new MountWatcher(mountInfo, this);
  // Only the latest table counts when several changes arrive during a wait.
  connect(watcher, &MountWatcher::drivesChanged, this, [this](const std::vector<Drive>& drives) {
    held_->deliver("mounts_Change", [this, drives] { mounts_Change(drives); });
  });
  // Something may have been mounted since the window read the drives.
  if (watcher->drives() != drives_->drives())
    mounts_Change(watcher->drives());
}

// The drive lists show the new table; the directory lists stay where they are, and choosing a
// drive that has gone reports it.
void FrmMain::mounts_Change(const std::vector<Drive>& drives) {
  drives_->setDrives(drives);
  drvFrom->drivesChanged();
  drvTo->drivesChanged();
}

void FrmMain::connectHandlers() {
  // Every notification reaches its handler through the gate, which holds it while the window
  // waits on a worker, so that no handler ever starts inside another one's wait.
  auto gated = [this](const char* key, std::function<void()> handler) {
    return [this, key, handler = std::move(handler)] { held_->deliver(key, handler); };
  };
  connect(drvFrom, &DriveList::driveChanged, this,
          gated("drvFrom_Change", [this] { drvFrom_Change(); }));
  connect(drvTo, &DriveList::driveChanged, this, gated("drvTo_Change", [this] { drvTo_Change(); }));
  // The drive list says where the user is before the handler can report a failure.
  connect(dirFrom, &DirectoryList::pathChanged, this, gated("dirFrom_Change", [this] {
            drvFrom->showDriveOf(dirFrom->path());
            dirFrom_Change();
          }));
  connect(dirTo, &DirectoryList::pathChanged, this, gated("dirTo_Change", [this] {
            drvTo->showDriveOf(dirTo->path());
            dirTo_Change();
          }));
  connect(cmbExtensionSelector, &ExtensionSelector::itemChosen, this,
          gated("cmbExtensionSelector_Click", [this] { cmbExtensionSelector_Click(); }));
  connect(cmbExtensionSelector, &QComboBox::editTextChanged, this,
          gated("cmbExtensionSelector_Change", [this] { cmbExtensionSelector_Change(); }));
  connect(txtToName, &NameBox::textSet, this,
          gated("txtToName_Change", [this] { txtToName_Change(); }));
  connect(cmdConvert, &QPushButton::clicked, this,
          gated("cmdConvert_Click", [this] { cmdConvert_Click(); }));
  connect(cmdMakeDir, &QPushButton::clicked, this,
          gated("cmdMakeDir_Click", [this] { cmdMakeDir_Click(); }));
  for (DirectoryList* list : {dirFrom, dirTo}) {
    connect(list, &DirectoryList::openFailed, this,
            [this](const std::string& path, std::error_code error) {
              messages_.showMessage(OpenDirectoryFailureText(path, error));
            });
  }
}

template <typename... Steps>
void FrmMain::runHandler(HandlerLeadIn leadIn, Steps&&... steps) {
  if (cascade_.enter(leadIn))
    cascade_.run(steps...);
  if (const auto failure = cascade_.leave(); failure && failure->error != WaitError::kClosing)
    messages_.showMessage(HandlerFailureText(failure->leadIn, failure->path, failure->error));
}

StepResult FrmMain::SetPattern(FileListView& list, const std::string& pattern) {
  return {list.listing().setPattern(pattern), list.listing().path()};
}

StepResult FrmMain::SetPath(FileListView& list, const std::string& directory) {
  return {list.listing().setPath(directory), directory};
}

StepResult FrmMain::Refresh(FileListView& list) {
  return {list.listing().refresh(), list.listing().path()};
}

void FrmMain::InitializeNameAndPatterns() {
  cascade_.run([this] { txtToName->setTextBytes(FolderNameOf(dirFrom->path())); },
               [this] { return SetPattern(*flFrom, SourcePattern(strExtension)); },
               // The target list starts on the source pattern too, not on the stem's: until the
               // extension is chosen both read "*.", and choosing it points them apart.
               [this] { return SetPattern(*flTo, SourcePattern(strExtension)); });
}

void FrmMain::UpdateTargetList() {
  cascade_.run(
      // This read may be of a directory that has gone, the one the list is about to leave; the
      // list keeps the pattern all the same, and the next step reads again where it is pointed.
      [this] { flTo->listing().setPattern(TargetPattern(txtToName->textBytes(), strExtension)); },
      [this] { return SetPath(*flTo, dirTo->path()); }, [this] { return Refresh(*flTo); });
}

void FrmMain::UpdateSourceList() {
  const std::string directory = dirFrom->path();
  cascade_.run([&] { return SetPath(*flFrom, directory); },
               [&] { txtToName->setTextBytes(FolderNameOf(directory)); },
               [&] { return Refresh(*flFrom); });
}

void FrmMain::Form_Load() {
  runHandler(
      HandlerLeadIn::kDirectory, [this] { InitializeNameAndPatterns(); },
      [this] { cmbExtensionSelector->setText("jpg"); });
}

void FrmMain::cmbExtensionSelector_Click() {
  extensionChanged(*flFrom, *flTo);
}

void FrmMain::cmbExtensionSelector_Change() {
  extensionChanged(*flTo, *flFrom);
}

void FrmMain::extensionChanged(FileListView& refreshFirst, FileListView& refreshSecond) {
  runHandler(
      HandlerLeadIn::kDirectory, [this] { strExtension = cmbExtensionSelector->text(); },
      [this] { UpdateSourceList(); }, [&] { return Refresh(refreshFirst); },
      [&] { return Refresh(refreshSecond); });
}

void FrmMain::txtToName_Change() {
  runHandler(
      HandlerLeadIn::kDirectory,
      [this] { return SetPattern(*flFrom, SourcePattern(strExtension)); },
      [this] { return SetPattern(*flTo, TargetPattern(txtToName->textBytes(), strExtension)); },
      [this] { return Refresh(*flFrom); }, [this] { return Refresh(*flTo); });
}

void FrmMain::dirFrom_Change() {
  const std::string directory = dirFrom->path();
  runHandler(
      HandlerLeadIn::kDirectory,
      [&] {
        return StepResult{dirTo->setPath(directory), directory};
      },
      [this] { UpdateSourceList(); });
}

void FrmMain::dirTo_Change() {
  runHandler(HandlerLeadIn::kDirectory, [this] { UpdateTargetList(); });
}

void FrmMain::drvFrom_Change() {
  const std::string drive = drvFrom->drive();
  runHandler(
      HandlerLeadIn::kDrive,
      [&] {
        return StepResult{dirFrom->setDrive(drive), drive};
      },
      [&] { drvTo->setDrive(drive); },
      [&] {
        return StepResult{dirTo->setDrive(drive), drive};
      });
}

void FrmMain::drvTo_Change() {
  const std::string drive = drvTo->drive();
  runHandler(HandlerLeadIn::kDrive, [&] { return StepResult{dirTo->setDrive(drive), drive}; });
}

void FrmMain::cmdConvert_Click() {
  OverrideCursor busy(Qt::WaitCursor);
  MessageBoxReport report(messages_);
  // The file operations run on a worker so that the window repaints and answers the desktop
  // while gigabytes are copied; everything else the run does happens here, step by step.
  QObject& here = *this;
  WindowThreadText stem(here, *txtToName);
  WindowThreadFileList source(here, flFrom->listing());
  WindowThreadFileList target(here, flTo->listing());
  WindowThreadDirectory sourceDirectory(here, *dirFrom);
  WindowThreadDirectory targetDirectory(here, *dirTo);
  WindowThreadReport windowReport(here, report);
  // A move that meets a share gone silent is given up on, and the window can close meanwhile.
  AnsweredFileServices files(files_);
  const std::string extension = strExtension;
  runInProgress_ = true;
  {
    struct EndOfRun {
      bool& inProgress;
      ~EndOfRun() { inProgress = false; }
    } endOfRun{runInProgress_};
    RunOffThread(*this, [&] {
      RunRename(RenameRunParts{stem, extension, source, target, sourceDirectory, targetDirectory,
                               files, windowReport});
    });
  }
  finishClosing();
}

void FrmMain::closeEvent(QCloseEvent* event) {
  // Closing in the middle of a run or of a wait would destroy what they are working through:
  // every wait gives up at once instead, the handlers and the run end, and the window closes then.
  if (runInProgress_ || Waiting()) {
    if (!std::exchange(closeRequested_, true)) {
      GiveUpEveryWait();
      finishClosing();
    }
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

void FrmMain::finishClosing() {
  if (!closeRequested_)
    return;
  if (runInProgress_ || Waiting()) {
    QTimer::singleShot(kLookAgainForClose, this, &FrmMain::finishClosing);
    return;
  }
  closeRequested_ = false;
  close();
  SetGivingUpEveryWait(false);
}

void FrmMain::cmdMakeDir_Click() {
  const std::string answer = questions_.askText(tr("Directory to create").toStdString(),
                                                tr("Create a New Output Directory").toStdString());
  // An empty answer is the user changing their mind.
  if (answer.empty())
    return;
  if (const auto refusal = RefuseDirectoryName(answer); refusal != DirectoryNameRefusal::kNone) {
    messages_.showMessage(DirectoryNameRefusalText(refusal));
    return;
  }
  const std::string path = JoinPath(dirTo->path(), answer);
  auto made = AskWorker<std::error_code>(
      *this, dirTo->path(), [&files = files_, path] { return files.makeDirectory(path); });
  if (auto error = made.value ? *made.value : made.error) {
    if (error == WaitError::kClosing)
      return;
    messages_.showMessage(MakeDirectoryFailureText(path, error));
    return;
  }
  runHandler(
      HandlerLeadIn::kDirectory, [this] { UpdateTargetList(); },
      [this] {
        return StepResult{dirFrom->refresh(), dirFrom->path()};
      },
      [this] {
        return StepResult{dirTo->refresh(), dirTo->path()};
      });
}

}  // namespace varnoth
