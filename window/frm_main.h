// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "drives.h"
#include "handler_cascade.h"

class QLabel;
class QPushButton;

namespace varnoth {

class DirectoryList;
class DriveList;
class ExtensionSelector;
class FileListView;
class FileServices;
class HeldNotifications;
class InputPrompt;
class MessageSink;
class NameBox;

// The program's one window. Its handlers read the controls, call the engine, and write the
// controls back; the controls notify them synchronously. Every step that can block on a file
// system runs on a worker while the window waits for it, so `files` must outlive the window: a
// worker given up on may still use it.
class FrmMain final : public QWidget {
  Q_OBJECT
 public:
  FrmMain(MessageSink& messages, InputPrompt& questions, FileServices& files,
          std::vector<Drive> drives, QWidget* parent = nullptr);
  ~FrmMain() override;

  // The load notification: the window and its controls exist and it is not shown yet. Called by
  // whoever creates the window once the dialogs it may show at once have their parent.
  void load();
  // Keeps the drive lists in step with the mount table `mountInfo` (/proc/self/mountinfo, or a
  // stand-in in its format) while the window lives.
  void followMounts(const std::string& mountInfo);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Closes the window as soon as no run and no wait for a folder is under way.
  void finishClosing();
  void createControls();
  void connectHandlers();

  // Handlers, named after the control and notification that run them.
  void Form_Load();
  void cmbExtensionSelector_Click();
  void cmbExtensionSelector_Change();
  void txtToName_Change();
  void dirFrom_Change();
  void dirTo_Change();
  void drvFrom_Change();
  void drvTo_Change();
  void mounts_Change(const std::vector<Drive>& drives);
  void cmdConvert_Click();
  void cmdMakeDir_Click();

  // The two extension handlers differ only in which list they refresh first.
  void extensionChanged(FileListView& refreshFirst, FileListView& refreshSecond);

  // Steps the handlers share, each a run of steps that stops at the first failure, its own or a
  // nested handler's; the failure is the cascade's to report.
  void InitializeNameAndPatterns();
  void UpdateSourceList();
  void UpdateTargetList();

  // Runs a handler: its steps in order, up to the first failure, its own or that of a handler
  // nested in a step; the outermost handler reports the cascade's failure with its lead-in.
  template <typename... Steps>
  void runHandler(HandlerLeadIn leadIn, Steps&&... steps);
  // Steps on a file list, with the path a failure concerns.
  static StepResult SetPattern(FileListView& list, const std::string& pattern);
  static StepResult SetPath(FileListView& list, const std::string& directory);
  static StepResult Refresh(FileListView& list);

  HandlerCascade cascade_;
  // Every notification passes through it on its way to a handler.
  HeldNotifications* held_ = nullptr;
  MessageSink& messages_;
  InputPrompt& questions_;
  FileServices& files_;
  // Shared with the drive and directory lists, which Qt destroys after this object's members.
  std::shared_ptr<DriveTable> drives_;

  // Named as the window's controls are named, and so are their Qt object names.
  DriveList* drvFrom = nullptr;
  DirectoryList* dirFrom = nullptr;
  FileListView* flFrom = nullptr;
  DriveList* drvTo = nullptr;
  QLabel* lblConvertFrom = nullptr;
  DirectoryList* dirTo = nullptr;
  FileListView* flTo = nullptr;
  NameBox* txtToName = nullptr;
  QPushButton* cmdConvert = nullptr;
  ExtensionSelector* cmbExtensionSelector = nullptr;
  QLabel* lblConvertTo = nullptr;
  QLabel* lblToName = nullptr;
  QPushButton* cmdMakeDir = nullptr;

  std::string strExtension;
  bool runInProgress_ = false;
  bool closeRequested_ = false;
};

}  // namespace varnoth
