// SPDX-License-Identifier: GPL-3.0-or-later
// Input: any bytes, read both as 16-bit units (a Windows name) and as program bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnoth::fuzz;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (auto broken = BrokenWideNameProperty(bytes)) {
    const std::string pieces[] = {std::string(bytes)};
    ReportBroken(*broken, pieces);
  }
  return 0;
}
