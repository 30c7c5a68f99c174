// SPDX-License-Identifier: GPL-3.0-or-later
#include "natural_order.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <type_traits>
#include <utility>

#include "fold_case.h"
#include "side_thread.h"

namespace varnoth {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The first sixteen bytes of a key, as two numbers that order like the bytes; missing bytes count
// as zero, which keeps a key before any longer key it begins.
class KeyHead {
 public:
  void pushBack(char c) {
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

// A whole key is built in a string, a head alone in a KeyHead.
void PushBack(std::string& key, char c) {
  key.push_back(c);
}

void PushBack(KeyHead& key, char c) {
  key.pushBack(c);
}

// Lengths below 255 take one byte; longer ones an escape byte and eight big-endian bytes, so that
// comparing the bytes compares the lengths.
template <typename Key>
void AppendLength(Key& key, std::size_t length) {
  if (length < 0xff) {
    PushBack(key, static_cast<char>(length));
    return;
  }
  PushBack(key, static_cast<char>(0xff));
  for (int shift = 56; shift >= 0; shift -= 8) {
    PushBack(key, static_cast<char>((static_cast<std::uint64_t>(length) >> shift) & 0xff));
  }
}

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
      PushBack(key, FoldCase(name[i++]));
      continue;
    }
    while (i < name.size() && name[i] == '0')
      ++i;
    const std::size_t significant = i;
    while (i < name.size() && IsDigit(name[i]))
      ++i;
    PushBack(key, '0');
    AppendLength(key, i - significant);
    for (std::size_t digit = significant; digit < i; ++digit)
      PushBack(key, name[digit]);
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
  std::string* name;
};

bool HeadLess(const Entry& x, const Entry& y) {
  return x.head[0] != y.head[0] ? x.head[0] < y.head[0] : x.head[1] < y.head[1];
}

bool SameHead(const Entry& x, const Entry& y) {
  return x.head[0] == y.head[0] && x.head[1] == y.head[1];
}

bool EntryLess(const Entry& x, const Entry& y) {
  return SameHead(x, y) ? NaturalLess(*x.name, *y.name) : HeadLess(x, y);
}

unsigned HeadByte(const Entry& entry, std::size_t byte) {
  return static_cast<unsigned>(entry.head[byte / 8] >> (56 - 8 * (byte % 8))) & 0xffu;
}

// The first byte of the heads in which some of `entries` differ; 16 when none do.
std::size_t FirstDifferingByte(const Entry* entries, std::size_t count) {
  std::uint64_t differ[2] = {0, 0};
  for (std::size_t i = 1; i < count; ++i) {
    differ[0] |= entries[i].head[0] ^ entries[0].head[0];
    differ[1] |= entries[i].head[1] ^ entries[0].head[1];
  }
  if (differ[0] != 0)
    return static_cast<std::size_t>(std::countl_zero(differ[0])) / 8;
  if (differ[1] != 0)
    return 8 + static_cast<std::size_t>(std::countl_zero(differ[1])) / 8;
  return 16;
}

// Entries whose heads are equal, ordered by their full keys and then by the tie rules.
void SortTied(Entry* entries, std::size_t count) {
  std::vector<std::pair<std::string, std::string*>> keyed;
  keyed.reserve(count);
  for (std::size_t i = 0; i < count; ++i)
    keyed.emplace_back(SortKey(*entries[i].name), entries[i].name);
  std::sort(keyed.begin(), keyed.end(), [](const auto& x, const auto& y) {
    if (const int primary = x.first.compare(y.first))
      return primary < 0;
    return BreakTie(*x.second, *y.second) < 0;
  });
  for (std::size_t i = 0; i < count; ++i)
    entries[i].name = keyed[i].second;
}

// Orders `entries` by their heads a byte at a time from `byte` on, then what the heads leave tied:
// a comparison sort of 100,000 names spends most of its time on branches that the head bytes
// settle without comparing anything.
void SortByHeads(Entry* entries, std::size_t count, std::size_t byte) {
  constexpr std::size_t kFewEnoughToCompare = 48;
  constexpr std::size_t kHeadBytes = 16;
  for (;;) {
    if (count <= kFewEnoughToCompare || byte == kHeadBytes) {
      std::sort(entries, entries + count, HeadLess);
      for (std::size_t first = 0, last; first < count; first = last) {
        for (last = first + 1; last < count && SameHead(entries[first], entries[last]);)
          ++last;
        if (last - first > 1)
          SortTied(entries + first, last - first);
      }
      return;
    }
    // Past the bytes that all share, as the common start of names usually is.
    const std::size_t differing = FirstDifferingByte(entries, count);
    if (differing >= kHeadBytes) {
      byte = kHeadBytes;
      continue;
    }
    byte = std::max(byte, differing);
    std::array<std::size_t, 257> starts{};
    for (std::size_t i = 0; i < count; ++i)
      ++starts[HeadByte(entries[i], byte) + 1];
    for (std::size_t value = 1; value < starts.size(); ++value)
      starts[value] += starts[value - 1];
    // Each entry goes straight to its bucket, swapping out the one there, so that no second
    // array is needed: a fresh page of memory costs more than the moves.
    std::array<std::size_t, 256> next;
    std::copy(starts.begin(), starts.end() - 1, next.begin());
    for (unsigned value = 0; value < 256; ++value) {
      while (next[value] < starts[value + 1]) {
        Entry entry = entries[next[value]];
        for (unsigned at = HeadByte(entry, byte); at != value; at = HeadByte(entry, byte))
          std::swap(entry, entries[next[at]++]);
        entries[next[value]++] = entry;
      }
    }
    for (std::size_t value = 0; value < 256; ++value) {
      const std::size_t size = starts[value + 1] - starts[value];
      if (size > 1)
        SortByHeads(entries + starts[value], size, byte + 1);
    }
    return;
  }
}

// The names of several lists as one sequence, by position in it.
class Pieces {
 public:
  explicit Pieces(std::vector<std::vector<std::string>>& pieces) : pieces_(pieces) {
    for (const auto& piece : pieces_)
      count_ += piece.size();
  }
  std::size_t count() const { return count_; }
  // Frees the lists, their names moved out of them.
  void discard() { std::vector<std::vector<std::string>>().swap(pieces_); }

  // Calls `visit` with each name from position `from` up to `to`.
  template <typename Visit>
  void forEach(std::size_t from, std::size_t to, Visit visit) {
    std::size_t start = 0;
    for (auto& piece : pieces_) {
      const std::size_t end = start + piece.size();
      for (std::size_t i = std::max(from, start); i < std::min(to, end); ++i)
        visit(piece[i - start]);
      start = end;
    }
  }

 private:
  std::vector<std::vector<std::string>>& pieces_;
  std::size_t count_ = 0;
};

// Builds the entries of the names at positions [from, to) and sorts them.
void SortRange(Pieces& names, std::size_t from, std::size_t to, Entry* entries) {
  Entry* next = entries;
  names.forEach(from, to, [&](std::string& name) {
    KeyHead head;
    BuildSortKey(name, head);
    *next++ = {{head.word(0), head.word(1)}, &name};
  });
  SortByHeads(entries, to - from, 0);
}

// Moves the names of two sorted runs of entries onto the end of `into`, in order; on a tie the
// first run's name goes first.
void MergeInto(std::span<const Entry> first, std::span<const Entry> second,
               std::vector<std::string>& into) {
  auto x = first.begin();
  auto y = second.begin();
  while (x != first.end() && y != second.end())
    into.push_back(std::move(*(EntryLess(*y, *x) ? y++ : x++)->name));
  for (; x != first.end(); ++x)
    into.push_back(std::move(*x->name));
  for (; y != second.end(); ++y)
    into.push_back(std::move(*y->name));
}

// How many of the first `taken` names of the merge of `first` and `second` come from `first`.
std::size_t TakenFromFirst(std::span<const Entry> first, std::span<const Entry> second,
                           std::size_t taken) {
  std::size_t low = taken > second.size() ? taken - second.size() : 0;
  std::size_t high = std::min(taken, first.size());
  while (low < high) {
    const std::size_t i = low + (high - low) / 2;
    const std::size_t j = taken - i;
    // Too few from `first` while its next name would come before the last one from `second`
    // (on a tie, `first` goes first).
    if (j > 0 && i < first.size() && !EntryLess(second[j - 1], first[i]))
      low = i + 1;
    else
      high = i;
  }
  return low;
}

// Sorts the two halves of the names side by side, then merges them into one list, its two halves
// side by side as well.
std::vector<std::string> SortInHalves(Pieces& names, Entry* entries) {
  const std::size_t count = names.count();
  InHalves(count, 0,
           [&](std::size_t from, std::size_t to) { SortRange(names, from, to, entries + from); });
  const std::span<const Entry> lower(entries, count / 2);
  const std::span<const Entry> upper(entries + count / 2, count - count / 2);
  const std::size_t fromLower = TakenFromFirst(lower, upper, count / 2);
  const std::size_t fromUpper = count / 2 - fromLower;
  std::vector<std::string> sorted;
  std::vector<std::string> rest;
  SideBySide(
      [&] {
        sorted.reserve(count);
        MergeInto(lower.first(fromLower), upper.first(fromUpper), sorted);
      },
      [&] {
        rest.reserve(count - count / 2);
        MergeInto(lower.subspan(fromLower), upper.subspan(fromUpper), rest);
      });
  // The names were moved out of their pieces: the pieces' memory goes back meanwhile.
  SideBySide(
      [&] {
        sorted.insert(sorted.end(), std::make_move_iterator(rest.begin()),
                      std::make_move_iterator(rest.end()));
      },
      [&] { names.discard(); });
  return sorted;
}

}  // namespace

std::vector<std::string> SortNaturally(std::vector<std::vector<std::string>> pieces) {
  // Below this, a thread costs more than the half of the sort it would take.
  constexpr std::size_t kWorthTwoThreads = 20'000;
  Pieces names(pieces);
  const std::size_t count = names.count();
  // Left uninitialised: each half's thread is the first to touch its part.
  const auto entries = std::make_unique_for_overwrite<Entry[]>(count);
  if (count >= kWorthTwoThreads)
    return SortInHalves(names, entries.get());
  SortRange(names, 0, count, entries.get());
  std::vector<std::string> sorted;
  sorted.reserve(count);
  MergeInto({entries.get(), count}, {}, sorted);
  return sorted;
}

void SortNaturally(std::vector<std::string>& names) {
  std::vector<std::vector<std::string>> one;
  one.push_back(std::move(names));
  names = SortNaturally(std::move(one));
}

}  // namespace varnoth
