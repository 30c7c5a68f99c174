// SPDX-License-Identifier: GPL-3.0-or-later
// Input: pattern NUL name NUL name ... (see fuzz_input.h). The pattern is also tried as a name.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_input.h"
#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnoth::fuzz;
  const std::vector<std::string> pieces = SplitAtNul(data, size);
  const auto names = std::span<const std::string>(pieces).subspan(1);
  if (auto broken = BrokenWildcardProperty(pieces.front(), names))
    ReportBroken(*broken, pieces);
  return 0;
}
