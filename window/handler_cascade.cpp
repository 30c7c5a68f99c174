// SPDX-License-Identifier: GPL-3.0-or-later
#include "handler_cascade.h"

#include <utility>

namespace varnoth {

bool HandlerCascade::enter(HandlerLeadIn leadIn) {
  if (depth_++ == 0)
    outermostLeadIn_ = leadIn;
  return !failure_;
}

std::optional<HandlerCascade::Failure> HandlerCascade::leave() {
  if (--depth_ > 0 || !failure_)
    return std::nullopt;
  return std::exchange(failure_, std::nullopt);
}

void HandlerCascade::record(StepResult result) {
  if (result.error && !failure_)
    failure_ = Failure{outermostLeadIn_, std::move(result.path), result.error};
}

std::error_code HandlerCascade::failure() const {
  return failure_ ? failure_->error : std::error_code();
}

}  // namespace varnoth
