// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>

namespace varnoth {

// What a move on a worker shares with the caller waiting for it. The caller may give up on a move
// that makes no progress (a share that stopped answering); the move then must not complete
// behind the user's back: it checks before the step that makes it final, and undoes what it did
// when it was given up on. Its progress is what the caller's deadline is about, so a copy of
// gigabytes that keeps going is never given up on.
class MoveControl {
 public:
  // The caller: gives up. False when the move was already making itself final (removing the
  // source after a complete copy, or keeping a rename); it may then still finish.
  bool cancel();
  std::uint64_t progress() const { return progress_; }

  // The move, on its worker: sets the control of moves made on this thread while it lives.
  class Scope {
   public:
    explicit Scope(MoveControl& control);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
  };

 private:
  friend void NoteMoveProgress();
  friend bool MoveMayComplete();
  enum class State { kRunning, kCompleting, kCancelled };
  std::atomic<std::uint64_t> progress_{0};
  std::atomic<State> state_{State::kRunning};
};

// The move on this thread took a step forward (a chunk copied).
void NoteMoveProgress();
// The move on this thread is about to make itself final; false when it was given up on and must
// undo what it did instead. Always true for a move nobody waits for with a control.
bool MoveMayComplete();

}  // namespace varnoth
