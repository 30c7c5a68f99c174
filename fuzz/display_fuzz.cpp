// SPDX-License-Identifier: GPL-3.0-or-later
// Input: name NUL other name (see fuzz_input.h); a missing name is empty, further pieces are
// ignored. Each name is checked alone, and the two against each other.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnoth::fuzz;
  const std::vector<std::string> pieces = SplitAtNul(data, size);
  if (auto broken = BrokenDisplayProperty(PieceOr(pieces, 0), PieceOr(pieces, 1)))
    ReportBroken(*broken, pieces);
  return 0;
}
