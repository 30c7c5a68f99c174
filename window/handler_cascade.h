// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <system_error>
#include <type_traits>

namespace varnoth {

// The lead-in of the handler that reports the failure of its cascade.
enum class HandlerLeadIn { kDirectory, kDrive };

// What one step of a handler did: its failure, if any, and the path it concerns.
struct StepResult {
  std::error_code error;
  std::string path;
};

// The failure bookkeeping of handlers that run nested inside each other: a handler that changes a
// control runs that control's handler at once, inside its own statement. The first failing step
// of such a cascade ends it (every handler still on the way out skips its remaining steps), and
// the outermost handler reports that failure once, with its own lead-in.
class HandlerCascade {
 public:
  struct Failure {
    HandlerLeadIn leadIn = HandlerLeadIn::kDirectory;
    std::string path;
    std::error_code error;
  };

  // A handler starts; false when an earlier step of the cascade failed and it must not run.
  bool enter(HandlerLeadIn leadIn);
  // A handler ends; returns the failure to report when it was the outermost one.
  std::optional<Failure> leave();

  // Runs a handler's steps in order and stops after the first one that fails, whether the step
  // itself failed (it returns a StepResult with an error) or a handler it set off did. A step
  // that returns nothing has no failure of its own to report. Steps are callables, run in turn,
  // so each sees what the earlier ones did. Returns the cascade's failure.
  template <typename... Steps>
  std::error_code run(Steps&&... steps) {
    (void)((runStep(steps), !failure_) && ...);
    return failure();
  }

  // The cascade's failure so far, from this step or a handler that ran nested in it.
  std::error_code failure() const;

 private:
  template <typename Step>
  void runStep(Step& step) {
    if constexpr (std::is_void_v<std::invoke_result_t<Step&>>) {
      step();
    } else {
      record(step());
    }
  }
  // Records a step's failure unless one is recorded already.
  void record(StepResult result);

  int depth_ = 0;
  HandlerLeadIn outermostLeadIn_ = HandlerLeadIn::kDirectory;
  std::optional<Failure> failure_;
};

}  // namespace varnoth
