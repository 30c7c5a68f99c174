// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "errand.h"
#include "unanswered_folders.h"

class QWidget;

namespace varnoth {

// Waits on the window's thread for `errand` while the window keeps painting and Close keeps
// working: user input waits for later at first, and after about 0.2 s the busy cursor shows and
// input meant for `window` is eaten, as during a run. Gives up at kAnswerDeadline, or at once
// when every wait is given up. True when the answer is in.
bool WaitForAnswer(QWidget& window, ErrandState& errand);

// Gives up every wait now running on this thread, and each one begun before
// SetGivingUpEveryWait(false).
void GiveUpEveryWait();

// Whether a wait is running on this thread, nested in whatever called it.
bool Waiting();

template <typename Result>
struct Answered {
  std::optional<Result> value;  // when the worker answered in time
  std::error_code error;        // otherwise: "'…' does not answer", or the window is closing
};

// Carries out `work`, a step on the file system that holds `folder`, on a worker while the window
// waits (see WaitForAnswer). A folder that did not answer before fails at once, until it does.
// `work` must own everything it uses: a worker given up on is left behind, never joined.
template <typename Result, typename Work>
Answered<Result> AskWorker(QWidget& window, const std::string& folder, Work work) {
  if (GivingUpEveryWait())
    return {std::nullopt, make_error_code(WaitError::kClosing)};
  if (auto error = UnansweredFolders::Instance().check(folder))
    return {std::nullopt, error};
  auto errand = StartErrand<Result>(std::move(work));
  if (WaitForAnswer(window, *errand))
    return {std::move(errand->result), {}};
  if (GivingUpEveryWait())
    return {std::nullopt, make_error_code(WaitError::kClosing)};
  return {std::nullopt,
          UnansweredFolders::Instance().gaveUp(UnansweredFolders::Blame(folder), *errand)};
}

}  // namespace varnoth
