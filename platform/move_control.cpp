// SPDX-License-Identifier: GPL-3.0-or-later
#include "move_control.h"

namespace varnoth {

namespace {
thread_local MoveControl* current = nullptr;
}  // namespace

bool MoveControl::cancel() {
  State running = State::kRunning;
  return state_.compare_exchange_strong(running, State::kCancelled) || running == State::kCancelled;
}

MoveControl::Scope::Scope(MoveControl& control) {
  current = &control;
}

MoveControl::Scope::~Scope() {
  current = nullptr;
}

void NoteMoveProgress() {
  if (current)
    ++current->progress_;
}

bool MoveMayComplete() {
  if (!current)
    return true;
  MoveControl::State running = MoveControl::State::kRunning;
  return current->state_.compare_exchange_strong(running, MoveControl::State::kCompleting) ||
         running == MoveControl::State::kCompleting;
}

}  // namespace varnoth
