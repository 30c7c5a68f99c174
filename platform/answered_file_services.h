// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "ports/file_services.h"

namespace varnoth {

// The file services of a run whose moves may meet a share that stops answering. Each move runs
// on a worker of its own; one that makes no progress for kAnswerDeadline is given up on and
// reported as not moved ("'/media/nas' does not answer"), and if it wakes later it undoes itself:
// a copy it made is removed and the source stays. Later moves on that folder fail at once until
// it answers. When every wait is given up (the window closing), a move that is getting on is let
// finish; one that has made no progress for a moment is given up on with WaitError::kClosing, and
// every later one fails the same way at once.
// `inner` must outlive every move given up on: use the program's file services, which live for
// the process.
class AnsweredFileServices final : public FileServices {
 public:
  explicit AnsweredFileServices(FileServices& inner) : inner_(inner) {}

  MoveResult moveFile(const std::string& from, const std::string& to) override;
  std::error_code makeDirectory(const std::string& path) override;

 private:
  FileServices& inner_;
  bool cutShort_ = false;
};

}  // namespace varnoth
