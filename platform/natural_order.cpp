// SPDX-License-Identifier: GPL-3.0-or-later
#include "natural_order.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "fold_case.h"

namespace varnoth {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Lengths below 255 take one byte; longer ones an escape byte and eight big-endian bytes, so that
// comparing the bytes compares the lengths.
template <typename Key>
void AppendLength(Key& key, std::size_t length) {
  if (length < 0xff) {
    key.push_back(static_cast<char>(length));
    return;
  }
  key.push_back(static_cast<char>(0xff));
  for (int shift = 56; shift >= 0; shift -= 8) {
    key.push_back(static_cast<char>((static_cast<std::uint64_t>(length) >> shift) & 0xff));
  }
}

// The first sixteen bytes of a key, as two numbers that order like the bytes; missing bytes count
// as zero, which keeps a key before any longer key it begins.
class KeyHead {
 public:
  void push_back(char c) {
    if (size_ < 16) {
      words_[size_ / 8] |= std::uint64_t{static_cast<unsigned char>(c)} << (56 - 8 * (size_ % 8));
      ++size_;
    }
  }
  bool full() const { return size_ == 16; }
  std::uint64_t word(std::size_t index) const { return words_[index]; }

 private:
  std::uint64_t words_[2] = {0, 0};
  std::size_t size_ = 0;
};

// Writes the byte string whose plain byte order is the primary order of names. A digit run
// becomes the byte '0' (so runs sort against other characters where digits would), the number of
// its significant digits, then those digits: a longer number is a bigger one, and equal lengths
// compare digit by digit. No digit run is ever converted to an integer, so none can overflow.
template <typename Key>
void BuildSortKey(std::string_view name, Key& key) {
  std::size_t i = 0;
  while (i < name.size()) {
    if constexpr (std::is_same_v<Key, KeyHead>) {
      if (key.full())
        return;
    }
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
    for (std::size_t digit = significant; digit < i; ++digit)
      key.push_back(name[digit]);
  }
}

std::string SortKey(std::string_view name) {
  std::string key;
  BuildSortKey(name, key);
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

namespace {

// Most comparisons are settled by the first sixteen key bytes, held inline as two numbers; only
// names whose heads tie build their full keys.
struct Entry {
  std::uint64_t head[2];
  std::size_t index;
};

bool HeadLess(const Entry& x, const Entry& y) {
  return x.head[0] != y.head[0] ? x.head[0] < y.head[0] : x.head[1] < y.head[1];
}

bool SameHead(const Entry& x, const Entry& y) {
  return x.head[0] == y.head[0] && x.head[1] == y.head[1];
}

unsigned HeadByte(const Entry& entry, std::size_t byte) {
  return static_cast<unsigned>(entry.head[byte / 8] >> (56 - 8 * (byte % 8))) & 0xffu;
}

// Entries whose heads are equal, ordered by their full keys and then by the tie rules.
void SortTied(Entry* entries, std::size_t count, const std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::size_t>> keyed;
  keyed.reserve(count);
  for (std::size_t i = 0; i < count; ++i)
    keyed.emplace_back(SortKey(names[entries[i].index]), entries[i].index);
  std::sort(keyed.begin(), keyed.end(), [&](const auto& x, const auto& y) {
    if (const int primary = x.first.compare(y.first))
      return primary < 0;
    return BreakTie(names[x.second], names[y.second]) < 0;
  });
  for (std::size_t i = 0; i < count; ++i)
    entries[i].index = keyed[i].second;
}

// Orders `entries` by their heads a byte at a time from `byte` on, then what the heads leave tied:
// a comparison sort of 100,000 names spends most of its time on branches that the head bytes
// settle without comparing anything. `scratch` holds as many entries as `entries`.
void SortByHeads(Entry* entries, std::size_t count, Entry* scratch, std::size_t byte,
                 const std::vector<std::string>& names) {
  constexpr std::size_t kFewEnoughToCompare = 48;
  constexpr std::size_t kHeadBytes = 16;
  for (;;) {
    if (count <= kFewEnoughToCompare || byte == kHeadBytes) {
      std::sort(entries, entries + count, HeadLess);
      for (std::size_t first = 0, last; first < count; first = last) {
        for (last = first + 1; last < count && SameHead(entries[first], entries[last]);)
          ++last;
        if (last - first > 1)
          SortTied(entries + first, last - first, names);
      }
      return;
    }
    std::array<std::size_t, 257> starts{};
    for (std::size_t i = 0; i < count; ++i)
      ++starts[HeadByte(entries[i], byte) + 1];
    // All alike in this byte, as the common start of names usually is.
    if (std::find(starts.begin(), starts.end(), count) != starts.end()) {
      ++byte;
      continue;
    }
    for (std::size_t value = 1; value < starts.size(); ++value)
      starts[value] += starts[value - 1];
    std::array<std::size_t, 256> next;
    std::copy(starts.begin(), starts.end() - 1, next.begin());
    for (std::size_t i = 0; i < count; ++i)
      scratch[next[HeadByte(entries[i], byte)]++] = entries[i];
    std::copy(scratch, scratch + count, entries);
    for (std::size_t value = 0; value < 256; ++value) {
      const std::size_t size = starts[value + 1] - starts[value];
      if (size > 1)
        SortByHeads(entries + starts[value], size, scratch + starts[value], byte + 1, names);
    }
    return;
  }
}

// Puts names[entries[i].index] at position i, moving each name once.
void Permute(std::vector<std::string>& names, std::vector<Entry>& entries) {
  for (std::size_t start = 0; start < names.size(); ++start) {
    if (entries[start].index == start)
      continue;
    std::string held = std::move(names[start]);
    std::size_t at = start;
    while (entries[at].index != start) {
      const std::size_t from = entries[at].index;
      names[at] = std::move(names[from]);
      entries[at].index = at;
      at = from;
    }
    names[at] = std::move(held);
    entries[at].index = at;
  }
}

}  // namespace

void SortNaturally(std::vector<std::string>& names) {
  std::vector<Entry> entries;
  entries.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    KeyHead head;
    BuildSortKey(names[i], head);
    entries.push_back({{head.word(0), head.word(1)}, i});
  }
  std::vector<Entry> scratch(entries.size());
  SortByHeads(entries.data(), entries.size(), scratch.data(), 0, names);
  Permute(names, entries);
}

}  // namespace varnoth
