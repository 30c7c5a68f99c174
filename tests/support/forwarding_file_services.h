// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <system_error>

#include "posix_file_services.h"

namespace varnoth::test {

// The real file services, for a test double to override only the calls it changes.
class ForwardingFileServices : public FileServices {
 public:
  FolderOpening openFolder(const std::string& path) override {
    return SystemFileServices().openFolder(path);
  }
  MoveResult moveFile(const Folder& fromFolder, const std::string& fromName, const Folder& toFolder,
                      const std::string& toName) override {
    return SystemFileServices().moveFile(fromFolder, fromName, toFolder, toName);
  }
  std::optional<FileStamp> stampOf(const Folder& folder, const std::string& name) override {
    return SystemFileServices().stampOf(folder, name);
  }
  std::optional<MoveResult> finishMove(const Folder& fromFolder, const std::string& fromName,
                                       const Folder& toFolder, const std::string& toName) override {
    return SystemFileServices().finishMove(fromFolder, fromName, toFolder, toName);
  }
  void removeLeftovers(const Folder& folder) override {
    SystemFileServices().removeLeftovers(folder);
  }
  std::error_code syncFolder(const Folder& folder) override {
    return SystemFileServices().syncFolder(folder);
  }
  std::error_code makeDirectory(const std::string& path) override {
    return SystemFileServices().makeDirectory(path);
  }
};

}  // namespace varnoth::test
