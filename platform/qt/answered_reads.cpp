// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/answered_reads.h"

#include <QWidget>

#include "qt/ask_worker.h"

namespace varnoth {

namespace {

struct Read {
  std::shared_ptr<const DirectorySnapshot> snapshot;
  std::error_code error;
};

}  // namespace

SnapshotReader AnsweredReader(QWidget& control) {
  return [&control](const std::string& directory, std::error_code& error) {
    auto answer = AskWorker<Read>(*control.window(), directory, [directory] {
      Read read;
      read.snapshot = ReadDirectorySnapshot(directory, read.error);
      return read;
    });
    if (!answer.value) {
      error = answer.error;
      return std::shared_ptr<const DirectorySnapshot>();
    }
    error = answer.value->error;
    return std::move(answer.value->snapshot);
  };
}

}  // namespace varnoth
