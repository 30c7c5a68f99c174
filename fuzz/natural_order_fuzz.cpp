// SPDX-License-Identifier: GPL-3.0-or-later
// Input: a NUL b NUL c NUL ... (see fuzz_input.h). The first three names, empty when missing, are
// compared in every pairing and order; all of them are sorted.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnoth::fuzz;
  const std::vector<std::string> pieces = SplitAtNul(data, size);
  if (auto broken = BrokenOrderProperty(PieceOr(pieces, 0), PieceOr(pieces, 1), PieceOr(pieces, 2)))
    ReportBroken(*broken, pieces);
  if (auto broken = BrokenSortProperty(pieces))
    ReportBroken(*broken, pieces);
  return 0;
}
