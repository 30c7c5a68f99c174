// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <system_error>

namespace varnoth {

// The lead-in of the handler that reports the failure of its cascade.
enum class HandlerLeadIn { kDirectory, kDrive };

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

  // Records a step's failure unless one is recorded already; returns the cascade's failure.
  std::error_code check(std::error_code stepError, const std::string& path);
  // The cascade's failure so far, from this step or a handler that ran nested in it.
  std::error_code failure() const;

 private:
  int depth_ = 0;
  HandlerLeadIn outermostLeadIn_ = HandlerLeadIn::kDirectory;
  std::optional<Failure> failure_;
};

}  // namespace varnoth
