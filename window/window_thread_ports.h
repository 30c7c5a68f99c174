// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "ports/file_list.h"
#include "rename_run.h"

namespace varnoth {

// The ports of a rename run on a worker thread, over the window's own ports, each call made on the
// window's thread and waited for. They live for one run. The window cannot change while a run
// holds it (its input is eaten and nothing else acts on it), so a directory path is read across
// once, and a list (entries, selection, folder identity) once after each change the run makes to
// it; what it returns stays valid until that next change, as the port promises.
class WindowThreadFileList final : public FileList {
 public:
  WindowThreadFileList(QObject& window, FileList& list) : window_(window), list_(list) {}

  std::error_code setPath(const std::string& directory) override;
  std::error_code setPattern(const std::string& pattern) override;
  std::error_code refresh() override;
  std::error_code refreshLike(const FileList& sameFolder) override;

  std::size_t count() const override;
  const std::string& entry(std::size_t index) const override;
  bool isSelected(std::size_t index) const override;
  std::optional<FolderIdentity> folderIdentity() const override;
  bool sawLeftovers() const override;

 private:
  struct Copy {
    std::vector<std::string> entries;
    std::vector<bool> selected;
    std::optional<FolderIdentity> identity;
    bool leftovers = false;
  };
  const Copy& copy() const;

  QObject& window_;
  FileList& list_;
  mutable Copy copy_;
  mutable bool copied_ = false;
};

class WindowThreadDirectory final : public DirectoryPathSource {
 public:
  WindowThreadDirectory(QObject& window, const DirectoryPathSource& source)
      : window_(window), source_(source) {}
  std::string path() const override;

 private:
  QObject& window_;
  const DirectoryPathSource& source_;
  mutable std::optional<std::string> path_;
};

class WindowThreadText final : public TextSource {
 public:
  WindowThreadText(QObject& window, const TextSource& source) : window_(window), source_(source) {}
  std::string textBytes() const override;

 private:
  QObject& window_;
  const TextSource& source_;
};

// Each failure is reported on the window's thread, and the run waits until that is done (until the
// user has closed the message).
class WindowThreadReport final : public RunReport {
 public:
  WindowThreadReport(QObject& window, RunReport& report) : window_(window), report_(report) {}
  void reportFailure(const RunFailure& failure) override;

 private:
  QObject& window_;
  RunReport& report_;
};

}  // namespace varnoth
