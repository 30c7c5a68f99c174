// SPDX-License-Identifier: GPL-3.0-or-later
// Input: stem NUL name NUL name ... (see fuzz_input.h). The names stand for a target list.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_input.h"
#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnoth::fuzz;
  const std::vector<std::string> pieces = SplitAtNul(data, size);
  const auto names = std::span<const std::string>(pieces).subspan(1);
  if (auto broken = BrokenNumberingProperty(pieces.front(), names))
    ReportBroken(*broken, pieces);
  return 0;
}
