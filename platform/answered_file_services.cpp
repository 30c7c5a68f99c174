// SPDX-License-Identifier: GPL-3.0-or-later
#include "answered_file_services.h"

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "errand.h"
#include "mount_of.h"
#include "move_control.h"
#include "unanswered_folders.h"

namespace varnoth {

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting run looks at the step's progress and at the window closing.
constexpr std::chrono::milliseconds kLookAgain{50};
// How long a step may go without progress, once the window is closing, before it is taken for
// stuck and given up on: a step that is getting on is let finish.
constexpr std::chrono::milliseconds kStuckWhenClosing{200};
// How long a folder of a stuck move has to answer a plain question before it is the one named.
constexpr std::chrono::milliseconds kProbeDeadline{300};

// A folder opened on a worker, held by shared ownership so that a worker left behind keeps it.
class AnsweredFolder final : public Folder {
 public:
  AnsweredFolder(std::shared_ptr<Folder> inner, std::string path)
      : inner_(std::move(inner)), path_(std::move(path)) {}
  FolderIdentity identity() const override { return inner_->identity(); }
  const std::shared_ptr<Folder>& inner() const { return inner_; }
  const std::string& path() const { return path_; }

 private:
  std::shared_ptr<Folder> inner_;
  std::string path_;
};

struct Opened {
  std::shared_ptr<Folder> folder;
  std::error_code error;
};

// Which of the folders of a stuck step does not answer: each is asked a question of its own (the
// size of its file system) on a worker; the last is named when all answer.
std::string FolderThatDoesNotAnswer(const std::vector<std::string>& paths) {
  std::vector<std::string> folders;
  std::vector<std::shared_ptr<Errand<bool>>> probes;
  for (const auto& path : paths) {
    folders.push_back(UnansweredFolders::Blame(path));
    probes.push_back(
        StartErrand<bool>([folder = folders.back()] { return FileSystemAnswers(folder); }));
  }
  const auto until = Clock::now() + kProbeDeadline;
  for (std::size_t i = 0; i < probes.size(); ++i) {
    if (!probes[i]->waitUntil(until))
      return folders[i];
  }
  return folders.back();
}

// Waits for `errand`, whose progress `control` counts (none: a step without parts); returns the
// failure it was given up with, or none when it answered.
std::optional<std::error_code> WaitOrGiveUp(ErrandState& errand, const MoveControl* control,
                                            const std::vector<std::string>& folders,
                                            bool& cutShort) {
  std::uint64_t progress = control ? control->progress() : 0;
  auto lastProgress = Clock::now();
  for (;;) {
    if (errand.waitUntil(Clock::now() + kLookAgain))
      return std::nullopt;
    if (control && control->progress() != progress) {
      progress = control->progress();
      lastProgress = Clock::now();
      continue;
    }
    const auto stalled = Clock::now() - lastProgress;
    if (GivingUpEveryWait() && stalled >= kStuckWhenClosing) {
      cutShort = true;
      return make_error_code(WaitError::kClosing);
    }
    if (stalled >= kAnswerDeadline)
      return UnansweredFolders::Instance().gaveUp(FolderThatDoesNotAnswer(folders), errand);
  }
}

const AnsweredFolder& Answered(const Folder& folder) {
  return dynamic_cast<const AnsweredFolder&>(folder);
}

// Runs `work` on a worker and waits for it; none, with `given` set, when it was given up on.
template <typename Result, typename Work>
std::optional<Result> AnswerOrGiveUp(Work work, const std::vector<std::string>& folders,
                                     bool& cutShort, std::error_code& given) {
  for (const auto& folder : folders) {
    if (cutShort) {
      given = make_error_code(WaitError::kClosing);
      return std::nullopt;
    }
    if ((given = UnansweredFolders::Instance().check(folder)))
      return std::nullopt;
  }
  auto errand = StartErrand<Result>(std::move(work));
  if (auto failure = WaitOrGiveUp(*errand, nullptr, folders, cutShort)) {
    given = *failure;
    return std::nullopt;
  }
  return std::move(*errand->result);
}

}  // namespace

std::optional<FileStamp> AnsweredFileServices::stampOf(const Folder& folder,
                                                       const std::string& name) {
  const AnsweredFolder& held = Answered(folder);
  std::error_code given;
  auto stamp = AnswerOrGiveUp<std::optional<FileStamp>>(
      [&inner = inner_, shared = held.inner(), name] { return inner.stampOf(*shared, name); },
      {held.path()}, cutShort_, given);
  return stamp ? *stamp : std::nullopt;
}

std::optional<MoveResult> AnsweredFileServices::finishMove(const Folder& fromFolder,
                                                           const std::string& fromName,
                                                           const Folder& toFolder,
                                                           const std::string& toName) {
  const AnsweredFolder& from = Answered(fromFolder);
  const AnsweredFolder& to = Answered(toFolder);
  std::error_code given;
  auto finished = AnswerOrGiveUp<std::optional<MoveResult>>(
      [&inner = inner_, source = from.inner(), fromName, target = to.inner(), toName] {
        return inner.finishMove(*source, fromName, *target, toName);
      },
      {from.path(), to.path()}, cutShort_, given);
  if (!finished)
    return MoveResult{MoveResult::Step::kDelete, given};
  return *finished;
}

void AnsweredFileServices::removeLeftovers(const Folder& folder) {
  const AnsweredFolder& held = Answered(folder);
  std::error_code given;
  AnswerOrGiveUp<bool>(
      [&inner = inner_, shared = held.inner()] {
        inner.removeLeftovers(*shared);
        return true;
      },
      {held.path()}, cutShort_, given);
}

std::error_code AnsweredFileServices::syncFolder(const Folder& folder) {
  const AnsweredFolder& held = Answered(folder);
  std::error_code given;
  auto synced = AnswerOrGiveUp<std::error_code>(
      [&inner = inner_, shared = held.inner()] { return inner.syncFolder(*shared); }, {held.path()},
      cutShort_, given);
  return synced ? *synced : given;
}

FolderOpening AnsweredFileServices::openFolder(const std::string& path) {
  if (cutShort_)
    return {nullptr, make_error_code(WaitError::kClosing)};
  if (auto error = UnansweredFolders::Instance().check(path))
    return {nullptr, error};
  auto errand = StartErrand<Opened>([&inner = inner_, path] {
    FolderOpening opening = inner.openFolder(path);
    return Opened{std::move(opening.folder), opening.error};
  });
  if (auto given = WaitOrGiveUp(*errand, nullptr, {path}, cutShort_))
    return {nullptr, *given};
  Opened& opened = *errand->result;
  if (!opened.folder)
    return {nullptr, opened.error};
  return {std::make_unique<AnsweredFolder>(std::move(opened.folder), path), {}};
}

MoveResult AnsweredFileServices::moveFile(const Folder& fromFolder, const std::string& fromName,
                                          const Folder& toFolder, const std::string& toName) {
  const AnsweredFolder& from = Answered(fromFolder);
  const AnsweredFolder& to = Answered(toFolder);
  if (cutShort_)
    return {MoveResult::Step::kCopy, make_error_code(WaitError::kClosing)};
  for (const auto* folder : {&from.path(), &to.path()}) {
    if (auto error = UnansweredFolders::Instance().check(*folder))
      return {MoveResult::Step::kCopy, error};
  }

  auto control = std::make_shared<MoveControl>();
  auto errand = StartErrand<MoveResult>(
      [&inner = inner_, control, source = from.inner(), fromName, target = to.inner(), toName] {
        const MoveControl::Scope scope(*control);
        return inner.moveFile(*source, fromName, *target, toName);
      });
  const auto given = WaitOrGiveUp(*errand, control.get(), {from.path(), to.path()}, cutShort_);
  if (!given)
    return *errand->result;
  if (control->cancel())
    return {MoveResult::Step::kCopy, *given};
  // Past the point of no return: the copy is complete and only the source's removal may still be
  // under way, so the file is kept either way.
  if (errand->finished())
    return *errand->result;
  return {MoveResult::Step::kDelete, *given};
}

std::error_code AnsweredFileServices::makeDirectory(const std::string& path) {
  return inner_.makeDirectory(path);
}

}  // namespace varnoth
