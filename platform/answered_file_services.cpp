// SPDX-License-Identifier: GPL-3.0-or-later
#include "answered_file_services.h"

#include <sys/vfs.h>

#include <chrono>
#include <memory>
#include <vector>

#include "errand.h"
#include "move_control.h"
#include "unanswered_folders.h"

namespace varnoth {

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting run looks at the move's progress and at the window closing.
constexpr std::chrono::milliseconds kLookAgain{50};
// How long a move may go without progress, once the window is closing, before it is taken for
// stuck and given up on: a move that is getting on is let finish.
constexpr std::chrono::milliseconds kStuckWhenClosing{200};
// How long a folder of a stuck move has to answer a plain question before it is the one named.
constexpr std::chrono::milliseconds kProbeDeadline{300};

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Which of the two folders of a stuck move does not answer: each is asked a question of its own
// (the size of its file system) on a worker; the target is named when both answer.
std::string FolderThatDoesNotAnswer(const std::string& from, const std::string& to) {
  std::vector<std::string> folders{UnansweredFolders::blame(FolderOf(from)),
                                   UnansweredFolders::blame(FolderOf(to))};
  std::vector<std::shared_ptr<Errand<bool>>> probes;
  for (const auto& folder : folders) {
    probes.push_back(StartErrand<bool>([folder] {
      struct statfs status;
      return statfs(folder.c_str(), &status) == 0;
    }));
  }
  const auto until = Clock::now() + kProbeDeadline;
  for (std::size_t i = 0; i < probes.size(); ++i) {
    if (!probes[i]->waitUntil(until))
      return folders[i];
  }
  return folders.back();
}

}  // namespace

MoveResult AnsweredFileServices::moveFile(const std::string& from, const std::string& to) {
  if (cutShort_)
    return {MoveResult::Step::kCopy, make_error_code(WaitError::kClosing)};
  for (const auto* path : {&from, &to}) {
    if (auto error = UnansweredFolders::instance().check(*path))
      return {MoveResult::Step::kCopy, error};
  }

  auto control = std::make_shared<MoveControl>();
  auto errand = StartErrand<MoveResult>([&inner = inner_, control, from, to] {
    const MoveControl::Scope scope(*control);
    return inner.moveFile(from, to);
  });

  std::uint64_t progress = control->progress();
  auto lastProgress = Clock::now();
  for (;;) {
    if (errand->waitUntil(Clock::now() + kLookAgain))
      return *errand->result;
    std::error_code given;
    const auto stalled = Clock::now() - lastProgress;
    if (control->progress() != progress) {
      progress = control->progress();
      lastProgress = Clock::now();
      continue;
    }
    if (GivingUpEveryWait() && stalled >= kStuckWhenClosing) {
      cutShort_ = true;
      given = make_error_code(WaitError::kClosing);
    } else if (stalled < kAnswerDeadline) {
      continue;
    } else {
      given = UnansweredFolders::instance().gaveUp(FolderThatDoesNotAnswer(from, to), *errand);
    }
    // A move already past the point of no return may still finish: the copy is complete and
    // only the source's removal is under way, so the file is kept either way.
    if (!control->cancel()) {
      if (errand->finished())
        return *errand->result;
      return {MoveResult::Step::kDelete, given};
    }
    return {MoveResult::Step::kCopy, given};
  }
}

std::error_code AnsweredFileServices::makeDirectory(const std::string& path) {
  return inner_.makeDirectory(path);
}

}  // namespace varnoth
