// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnoth::fuzz {

// Every fuzz target reads its input as strings separated by NUL bytes: "a\0b" is {"a", "b"},
// "" is {""} and "a\0" is {"a", ""}. A file name can never hold a NUL, so the separator costs no
// name the program could meet, and the fuzzer's own byte mutations move the cuts freely.
std::vector<std::string> SplitAtNul(const std::uint8_t* data, std::size_t size);

// The piece at `index`, or "" when the input has fewer pieces.
std::string_view PieceOr(std::span<const std::string> pieces, std::size_t index);

// Bytes as C-style text: printable ASCII as is, backslash doubled, everything else as \xNN.
std::string Escaped(std::string_view bytes);

// Prints the broken property and the input pieces, then aborts so that libFuzzer keeps the input
// as a crash artifact.
[[noreturn]] void ReportBroken(std::string_view property, std::span<const std::string> pieces);

}  // namespace varnoth::fuzz
