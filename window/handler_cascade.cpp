// SPDX-License-Identifier: GPL-3.0-or-later
#include "handler_cascade.h"

namespace varnoth {

bool HandlerCascade::enter(HandlerLeadIn leadIn) {
  if (depth_++ == 0)
    outermostLeadIn_ = leadIn;
  return !failure_;
}

std::optional<HandlerCascade::Failure> HandlerCascade::leave() {
  if (--depth_ > 0 || !failure_)
    return std::nullopt;
  Failure failure = std::move(*failure_);
  failure.leadIn = outermostLeadIn_;
  failure_.reset();
  return failure;
}

std::error_code HandlerCascade::check(std::error_code stepError, const std::string& path) {
  if (stepError && !failure_)
    failure_ = Failure{outermostLeadIn_, path, stepError};
  return failure();
}

std::error_code HandlerCascade::failure() const {
  return failure_ ? failure_->error : std::error_code();
}

}  // namespace varnoth
