// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <system_error>

#include "ports/file_services.h"

namespace varnoth {

// The file services of the real file system on Windows, with the promises of FileServices.
// Win32 names no file relative to a folder handle, so a folder is held instead: opened without
// sharing deletion, which keeps it (and so its path) from being renamed, removed or replaced
// while the run holds it, and a move names its files by that path. Within a volume a move is
// one MoveFileExW; across volumes a copy under a hidden temporary name in the target folder,
// flushed, renamed onto the final name with write-through and never over another file, and only
// then the source deleted, through the handle it was read from.
class Win32FileServices final : public FileServices {
 public:
  FolderOpening openFolder(const std::string& path) override;
  MoveResult moveFile(const Folder& fromFolder, const std::string& fromName, const Folder& toFolder,
                      const std::string& toName) override;
  std::optional<FileStamp> stampOf(const Folder& folder, const std::string& name) override;
  std::optional<MoveResult> finishMove(const Folder& fromFolder, const std::string& fromName,
                                       const Folder& toFolder, const std::string& toName) override;
  void removeLeftovers(const Folder& folder) override;
  std::error_code syncFolder(const Folder& folder) override;
  std::error_code makeDirectory(const std::string& path) override;

  // The same by paths, for tests: each opens the folders of the paths it is given.
  MoveResult moveFile(const std::string& from, const std::string& to);
};

Win32FileServices& SystemFileServices();

}  // namespace varnoth
