#include "window/frm_main.h"

#include <QApplication>
#include <QPushButton>

#include "engine/naming.h"
#include "engine/rename_run.h"
#include "platform/dialogs.h"
#include "platform/file_services.h"
#include "platform/qt/directory_list.h"
#include "platform/qt/drive_list.h"
#include "platform/qt/extension_selector.h"
#include "platform/qt/file_list_view.h"
#include "platform/qt/name_box.h"
#include "platform/qt/override_cursor.h"
#include "window/messages.h"

namespace varnoth {

FrmMain::FrmMain(MessageSink& messages, InputPrompt& questions, FileServices& files,
                 std::vector<Drive> drives, QWidget* parent)
    : QWidget(parent),
      messages_(messages),
      questions_(questions),
      files_(files),
      drives_(std::move(drives)) {
  createControls();
  connectHandlers();
  Form_Load();
}

FrmMain::~FrmMain() = default;

void FrmMain::connectHandlers() {
  // First, so that the drive lists say where the user is before any handler reports a failure.
  connect(dirFrom, &DirectoryList::pathChanged, this,
          [this] { drvFrom->showDriveOf(dirFrom->path()); });
  connect(dirTo, &DirectoryList::pathChanged, this, [this] { drvTo->showDriveOf(dirTo->path()); });
  connect(drvFrom, &DriveList::driveChanged, this, &FrmMain::drvFrom_Change);
  connect(drvTo, &DriveList::driveChanged, this, &FrmMain::drvTo_Change);
  connect(dirFrom, &DirectoryList::pathChanged, this, &FrmMain::dirFrom_Change);
  connect(dirTo, &DirectoryList::pathChanged, this, &FrmMain::dirTo_Change);
  connect(cmbExtensionSelector, &ExtensionSelector::itemChosen, this,
          &FrmMain::cmbExtensionSelector_Click);
  connect(cmbExtensionSelector, &QComboBox::editTextChanged, this,
          &FrmMain::cmbExtensionSelector_Change);
  connect(txtToName, &NameBox::textSet, this, &FrmMain::txtToName_Change);
  connect(cmdConvert, &QPushButton::clicked, this, &FrmMain::cmdConvert_Click);
  connect(cmdMakeDir, &QPushButton::clicked, this, &FrmMain::cmdMakeDir_Click);
  for (DirectoryList* list : {dirFrom, dirTo}) {
    connect(list, &DirectoryList::openFailed, this,
            [this](const std::string& path, std::error_code error) {
              messages_.showMessage(kDirectoryFailure + Describe("Cannot open", path, error) + ".");
            });
  }
}

template <typename Body>
void FrmMain::RunHandler(const char* leadIn, Body body) {
  ++handlerDepth_;
  if (!failure_) {
    body();
  }
  if (--handlerDepth_ == 0 && failure_) {
    const Failure failure = *failure_;
    failure_.reset();
    messages_.showMessage(leadIn + Describe("Cannot read", failure.path, failure.error) + ".");
  }
}

std::error_code FrmMain::Check(std::error_code stepError, const std::string& path) {
  if (stepError && !failure_)
    failure_ = Failure{stepError, path};
  return CascadeFailure();
}

std::error_code FrmMain::CascadeFailure() const {
  return failure_ ? failure_->error : std::error_code();
}

std::error_code FrmMain::Refresh(FileListView& list) {
  return Check(list.listing().refresh(), list.listing().path());
}

std::error_code FrmMain::InitializeNameAndPatterns() {
  txtToName->setText(FolderNameOf(dirFrom->path()));
  if (auto error = CascadeFailure())
    return error;
  FileListing& source = flFrom->listing();
  FileListing& target = flTo->listing();
  if (auto error = Check(source.setPattern(SourcePattern(strExtension)), source.path())) {
    return error;
  }
  return Check(target.setPattern(SourcePattern(strExtension)), target.path());
}

std::error_code FrmMain::UpdateTargetList() {
  FileListing& target = flTo->listing();
  // This read may be of a directory that has gone, the one the list is about to leave; the list
  // keeps the pattern all the same, and the next step reads again where it is pointed.
  target.setPattern(TargetPattern(txtToName->text(), strExtension));
  const std::string directory = dirTo->path();
  if (auto error = Check(target.setPath(directory), directory))
    return error;
  return Refresh(*flTo);
}

std::error_code FrmMain::UpdateSourceList() {
  FileListing& source = flFrom->listing();
  const std::string directory = dirFrom->path();
  const std::string folderName = FolderNameOf(directory);
  if (auto error = Check(source.setPath(directory), directory))
    return error;
  txtToName->setText(folderName);
  if (auto error = CascadeFailure())
    return error;
  return Refresh(*flFrom);
}

void FrmMain::Form_Load() {
  RunHandler(kDirectoryFailure, [this] {
    if (InitializeNameAndPatterns())
      return;
    cmbExtensionSelector->setText("jpg");
  });
}

void FrmMain::cmbExtensionSelector_Click() {
  ExtensionChanged(*flFrom, *flTo);
}

void FrmMain::cmbExtensionSelector_Change() {
  ExtensionChanged(*flTo, *flFrom);
}

void FrmMain::ExtensionChanged(FileListView& refreshFirst, FileListView& refreshSecond) {
  RunHandler(kDirectoryFailure, [&] {
    strExtension = cmbExtensionSelector->text();
    if (UpdateSourceList())
      return;
    if (Refresh(refreshFirst))
      return;
    Refresh(refreshSecond);
  });
}

void FrmMain::txtToName_Change() {
  RunHandler(kDirectoryFailure, [this] {
    FileListing& source = flFrom->listing();
    FileListing& target = flTo->listing();
    if (Check(source.setPattern(SourcePattern(strExtension)), source.path()))
      return;
    if (Check(target.setPattern(TargetPattern(txtToName->text(), strExtension)), target.path())) {
      return;
    }
    if (Refresh(*flFrom))
      return;
    Refresh(*flTo);
  });
}

void FrmMain::dirFrom_Change() {
  RunHandler(kDirectoryFailure, [this] {
    const std::string directory = dirFrom->path();
    if (Check(dirTo->setPath(directory), directory))
      return;
    UpdateSourceList();
  });
}

void FrmMain::dirTo_Change() {
  RunHandler(kDirectoryFailure, [this] { UpdateTargetList(); });
}

void FrmMain::drvFrom_Change() {
  RunHandler(kDriveFailure, [this] {
    const std::string drive = drvFrom->drive();
    if (Check(dirFrom->setDrive(drive), drive))
      return;
    drvTo->setDrive(drive);
    if (CascadeFailure())
      return;
    Check(dirTo->setDrive(drive), drive);
  });
}

void FrmMain::drvTo_Change() {
  RunHandler(kDriveFailure, [this] {
    const std::string drive = drvTo->drive();
    Check(dirTo->setDrive(drive), drive);
  });
}

void FrmMain::cmdConvert_Click() {
  OverrideCursor busy(Qt::WaitCursor);
  RunRename(RenameRunParts{*txtToName, strExtension, flFrom->listing(), flTo->listing(), *dirFrom,
                           *dirTo, files_, messages_});
}

void FrmMain::cmdMakeDir_Click() {
  const std::string answer =
      questions_.askText("Directory to create", "Create a New Output Directory");
  // An empty answer is the user changing their mind.
  if (answer.empty())
    return;
  if (const char* refusal = RefuseDirectoryName(answer)) {
    messages_.showMessage(std::string(kMakeDirectoryFailure) + refusal);
    return;
  }
  const std::string path = JoinPath(dirTo->path(), answer);
  if (auto error = files_.makeDirectory(path)) {
    messages_.showMessage(kMakeDirectoryFailure + Describe("Cannot create", path, error) + ".");
    return;
  }
  RunHandler(kDirectoryFailure, [this] {
    if (UpdateTargetList())
      return;
    if (Check(dirFrom->refresh(), dirFrom->path()))
      return;
    Check(dirTo->refresh(), dirTo->path());
  });
}

}  // namespace varnoth
