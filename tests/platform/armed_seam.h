// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "system_calls.h"

namespace varnoth::test {

using Refusals = std::vector<std::pair<sys::Call, int>>;

// Arms the system-call seam for the object's lifetime: the given kinds of call always fail with
// their errno, as on a file system that lacks them, and every call is recorded in order.
class ArmedSeam {
 public:
  explicit ArmedSeam(const Refusals& refusals = {}) {
    for (const auto& [call, error] : refusals)
      faults.refuseAlways(call, error);
    faults.before = [this](sys::Call call) { calls.push_back(call); };
    sys::Arm(&faults);
  }
  ~ArmedSeam() { sys::Arm(nullptr); }
  ArmedSeam(const ArmedSeam&) = delete;
  ArmedSeam& operator=(const ArmedSeam&) = delete;

  bool saw(sys::Call call) const {
    for (const sys::Call seen : calls) {
      if (seen == call)
        return true;
    }
    return false;
  }

  sys::Faults faults;
  std::vector<sys::Call> calls;
};

}  // namespace varnoth::test
