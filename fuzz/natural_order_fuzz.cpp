// Input: a NUL b NUL c (see fuzz_input.h); missing names are empty, further pieces are ignored.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnoth::fuzz;
  const std::vector<std::string> pieces = SplitAtNul(data, size);
  if (auto broken = BrokenOrderProperty(PieceOr(pieces, 0), PieceOr(pieces, 1), PieceOr(pieces, 2)))
    ReportBroken(*broken, pieces);
  return 0;
}
