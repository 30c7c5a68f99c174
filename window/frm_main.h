#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/drives.h"

class QLabel;
class QPushButton;

namespace varnoth {

class DirectoryList;
class DriveList;
class ExtensionSelector;
class FileListView;
class FileServices;
class InputPrompt;
class MessageSink;
class NameBox;

// The program's one window. Its handlers read the controls, call the engine, and write the
// controls back; the controls notify them synchronously.
class FrmMain final : public QWidget {
  Q_OBJECT
 public:
  FrmMain(MessageSink& messages, InputPrompt& questions, FileServices& files,
          std::vector<Drive> drives, QWidget* parent = nullptr);
  ~FrmMain() override;

 private:
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
  void cmdConvert_Click();
  void cmdMakeDir_Click();

  // The two extension handlers differ only in which list they refresh first.
  void ExtensionChanged(FileListView& refreshFirst, FileListView& refreshSecond);

  // Steps the handlers share; each stops at the first failure, its own or a nested handler's.
  std::error_code InitializeNameAndPatterns();
  std::error_code UpdateSourceList();
  std::error_code UpdateTargetList();

  // A handler runs inside the statement of the handler that changed its control. The first
  // failure of such a cascade ends it, and the outermost handler reports it once, with its own
  // lead-in ("Drive failure. " for the drive handlers).
  template <typename Body>
  void RunHandler(const char* leadIn, Body body);
  // Records a step's failure unless one is recorded already; returns the recorded failure.
  std::error_code Check(std::error_code stepError, const std::string& path);
  // The failure of a handler that ran nested in the current step, if any.
  std::error_code CascadeFailure() const;
  std::error_code Refresh(FileListView& list);

  struct Failure {
    std::error_code error;
    std::string path;
  };
  int handlerDepth_ = 0;
  std::optional<Failure> failure_;

  MessageSink& messages_;
  InputPrompt& questions_;
  FileServices& files_;
  DriveTable drives_;

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
};

}  // namespace varnoth
