// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <system_error>

#include "ports/file_services.h"

namespace varnoth {

// The file services of a run whose folders may stop answering (a share whose server or network
// has gone). Every step runs on a worker of its own, and the run waits for it with a deadline:
// - opening a folder is given up on after kAnswerDeadline;
// - a move is given up on after kAnswerDeadline without progress, so a copy of gigabytes that
//   keeps going is never cut short; if it wakes later it undoes itself (a copy it made is
//   removed, the source stays), unless it was already removing the source after a complete copy,
//   which is then reported as a failed delete: the file is kept either way.
// A step given up on fails with "'/media/nas' does not answer", and later steps on that folder
// fail at once until it answers. When every wait is given up (the window closing), a step that
// is getting on is let finish; one that has made no progress for a moment is given up on with
// WaitError::kClosing, and every later step fails the same way at once.
// `inner` must outlive every step given up on: use the program's file services, which live for
// the process. The folders this object opens hold the inner ones by shared ownership, so a worker
// left behind never acts through a descriptor that was closed (and perhaps reused) meanwhile.
class AnsweredFileServices final : public FileServices {
 public:
  explicit AnsweredFileServices(FileServices& inner) : inner_(inner) {}

  FolderOpening openFolder(const std::string& path) override;
  MoveResult moveFile(const Folder& fromFolder, const std::string& fromName, const Folder& toFolder,
                      const std::string& toName) override;
  // None when the folder does not answer, as for a file that cannot be read.
  std::optional<FileStamp> stampOf(const Folder& folder, const std::string& name) override;
  // Given up on, it is reported as a failed delete: the copy is complete and on disk already, so
  // the file is kept whether or not the removal of the source finishes later.
  std::optional<MoveResult> finishMove(const Folder& fromFolder, const std::string& fromName,
                                       const Folder& toFolder, const std::string& toName) override;
  void removeLeftovers(const Folder& folder) override;
  std::error_code syncFolder(const Folder& folder) override;
  std::error_code makeDirectory(const std::string& path) override;

 private:
  FileServices& inner_;
  bool cutShort_ = false;
};

}  // namespace varnoth
