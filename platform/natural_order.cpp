// SPDX-License-Identifier: GPL-3.0-or-later
#include "natural_order.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fold_case.h"

namespace varnoth {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Lengths below 255 take one byte; longer ones an escape byte and eight big-endian bytes, so that
// comparing the bytes compares the lengths.
void AppendLength(std::string& key, std::size_t length) {
  if (length < 0xff) {
    key.push_back(static_cast<char>(length));
    return;
  }
  key.push_back(static_cast<char>(0xff));
  for (int shift = 56; shift >= 0; shift -= 8) {
    key.push_back(static_cast<char>((static_cast<std::uint64_t>(length) >> shift) & 0xff));
  }
}

// A byte string whose plain byte order is the primary order of names. A digit run becomes the
// byte '0' (so runs sort against other characters where digits would), the number of its
// significant digits, then those digits: a longer number is a bigger one, and equal lengths
// compare digit by digit. No digit run is ever converted to an integer, so none can overflow.
std::string SortKey(std::string_view name) {
  std::string key;
  std::size_t i = 0;
  while (i < name.size()) {
    if (!IsDigit(name[i])) {
      key.push_back(FoldCase(name[i++]));
      continue;
    }
    while (i < name.size() && name[i] == '0')
      ++i;
    const std::size_t significant = i;
    while (i < name.size() && IsDigit(name[i]))
      ++i;
    key.push_back('0');
    AppendLength(key, i - significant);
    key.append(name.substr(significant, i - significant));
  }
  return key;
}

// For names with equal keys: the first digit run whose leading zeros differ decides, fewer first.
// Equal keys mean the names have the same sequence of characters and digit runs, so the runs pair
// up as the two names are walked in step.
int CompareLeadingZeros(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (!IsDigit(a[i])) {
      ++i, ++j;
      continue;
    }
    std::size_t zerosA = 0, zerosB = 0;
    for (; i < a.size() && a[i] == '0'; ++i)
      ++zerosA;
    for (; j < b.size() && b[j] == '0'; ++j)
      ++zerosB;
    if (zerosA != zerosB)
      return zerosA < zerosB ? -1 : 1;
    while (i < a.size() && IsDigit(a[i]))
      ++i;
    while (j < b.size() && IsDigit(b[j]))
      ++j;
  }
  return 0;
}

// Eight key bytes from `offset` as one number that orders like the bytes; missing bytes count as
// zero, which keeps a key before any longer key it begins.
std::uint64_t LoadBigEndian(const std::string& key, std::size_t offset) {
  std::uint64_t value = 0;
  for (std::size_t i = offset; i < offset + 8; ++i) {
    value = (value << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
  }
  return value;
}

int Sign(int value) {
  return (value > 0) - (value < 0);
}

int BreakTie(std::string_view a, std::string_view b) {
  if (const int zeros = CompareLeadingZeros(a, b))
    return zeros;
  return Sign(a.compare(b));
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
  if (const int primary = SortKey(a).compare(SortKey(b)))
    return Sign(primary);
  return BreakTie(a, b);
}

void SortNaturally(std::vector<std::string>& names) {
  std::vector<std::string> keys;
  keys.reserve(names.size());
  for (const auto& name : names)
    keys.push_back(SortKey(name));

  // Most comparisons are settled by the first sixteen key bytes, held inline as two integers;
  // only equal heads look at the full keys, which live elsewhere in memory.
  struct Entry {
    std::uint64_t head[2];
    std::size_t index;
  };
  std::vector<Entry> entries;
  entries.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    entries.push_back({{LoadBigEndian(keys[i], 0), LoadBigEndian(keys[i], 8)}, i});
  }
  std::sort(entries.begin(), entries.end(), [&](const Entry& x, const Entry& y) {
    if (x.head[0] != y.head[0])
      return x.head[0] < y.head[0];
    if (x.head[1] != y.head[1])
      return x.head[1] < y.head[1];
    if (const int primary = keys[x.index].compare(keys[y.index]))
      return primary < 0;
    return BreakTie(names[x.index], names[y.index]) < 0;
  });

  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (const Entry& entry : entries)
    sorted.push_back(std::move(names[entry.index]));
  names = std::move(sorted);
}

}  // namespace varnoth
