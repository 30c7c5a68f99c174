// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "ports/file_services.h"
#include "unique_fd.h"

namespace varnoth {

// A folder of the real file system, held by an open descriptor.
class PosixFolder final : public Folder {
 public:
  PosixFolder(UniqueFd fd, std::string path, FolderIdentity identity)
      : fd_(std::move(fd)), path_(std::move(path)), identity_(identity) {}
  FolderIdentity identity() const override { return identity_; }
  int fd() const { return fd_.get(); }
  const std::string& path() const { return path_; }

 private:
  UniqueFd fd_;
  std::string path_;
  FolderIdentity identity_;
};

// The file services of the real file system.
class PosixFileServices final : public FileServices {
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

  // The first of the two steps of a move that cannot be one rename, on its own: a hard link
  // where the file system allows one, else a byte copy; either has the guarantees that moveFile
  // gives the new name, and refuses a source that is not a regular file.
  std::error_code copyFile(const Folder& fromFolder, const std::string& fromName,
                           const Folder& toFolder, const std::string& toName);

  // The same by paths, for tools and tests: each opens the folders of the paths it is given.
  MoveResult moveFile(const std::string& from, const std::string& to);
  std::error_code copyFile(const std::string& from, const std::string& to);
  std::error_code deleteFile(const std::string& path);
};

PosixFileServices& SystemFileServices();

}  // namespace varnoth
