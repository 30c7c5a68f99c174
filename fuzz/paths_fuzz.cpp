// SPDX-License-Identifier: GPL-3.0-or-later
// Input: directory NUL name (see fuzz_input.h); a missing name is empty, further pieces are
// ignored. The directory is also tried as a stem, the name as an extension.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnoth::fuzz;
  const std::vector<std::string> pieces = SplitAtNul(data, size);
  if (auto broken = BrokenPathProperty(PieceOr(pieces, 0), PieceOr(pieces, 1)))
    ReportBroken(*broken, pieces);
  return 0;
}
