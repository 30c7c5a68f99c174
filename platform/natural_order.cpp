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

constexpr std::size_t kHeadBytes = 16;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Sixteen bytes of a key from byte `offset` on, read as two numbers that order like the bytes;
// missing bytes count as zero, which keeps a key before any longer key it begins. `AtStart` for a
// head from the key's start, as nearly all are, spares them the offset's arithmetic, a few percent
// of the whole sort.
template <bool AtStart>
class KeyHead {
 public:
  explicit KeyHead(std::size_t offset) : offset_(offset) {}
  void pushBack(char c) {
    if constexpr (AtStart) {
      if (size_ < kHeadBytes)
        bytes_[size_++] = static_cast<unsigned char>(c);
    } else {
      // Unsigned, so that a byte before the offset is as far out of range as one past the head;
      // both go to the spare byte at the end.
      bytes_[std::min(size_ - offset_, kHeadBytes)] = static_cast<unsigned char>(c);
      ++size_;
    }
  }
  bool full() const { return size_ >= offset() + kHeadBytes; }
  // Spelled out byte by byte so that compilers make it one byte-swapping load.
  std::uint64_t word(std::size_t index) const {
    const unsigned char* b = bytes_.data() + 8 * index;
    return std::uint64_t{b[0]} << 56 | std::uint64_t{b[1]} << 48 | std::uint64_t{b[2]} << 40 |
           std::uint64_t{b[3]} << 32 | std::uint64_t{b[4]} << 24 | std::uint64_t{b[5]} << 16 |
           std::uint64_t{b[6]} << 8 | std::uint64_t{b[7]};
  }

 private:
  std::size_t offset() const { return AtStart ? 0 : offset_; }

  std::size_t offset_;
  std::array<unsigned char, kHeadBytes + 1> bytes_{};
  // Key bytes pushed, the skipped ones included; from the key's start, only up to the head's end.
  std::size_t size_ = 0;
};

// A whole key is built in a string, a head alone in a KeyHead.
void PushBack(std::string& key, char c) {
  key.push_back(c);
}

template <bool AtStart>
void PushBack(KeyHead<AtStart>& key, char c) {
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
    if constexpr (!std::is_same_v<Key, std::string>) {
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

// The eight head bytes from `byte` on, missing ones zero.
std::uint64_t HeadWindow(const Entry& entry, std::size_t byte) {
  if (byte >= 8)
    return entry.head[1] << (8 * (byte - 8));
  if (byte == 0)
    return entry.head[0];
  return (entry.head[0] << (8 * byte)) | (entry.head[1] >> (64 - 8 * byte));
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
  return kHeadBytes;
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

// Entries too few to be worth a bucket pass, ordered by comparing their heads, then what the heads
// leave tied.
void SortFew(Entry* entries, std::size_t count) {
  std::sort(entries, entries + count,
            [](const Entry& x, const Entry& y) { return HeadLess(x, y); });
  for (std::size_t first = 0, last; first < count; first = last) {
    for (last = first + 1; last < count && SameHead(entries[first], entries[last]);)
      ++last;
    if (last - first > 1)
      SortTied(entries + first, last - first);
  }
}

// Orders `entries` by their heads from `byte` on, by buckets of one or two bytes' value, then what
// the heads leave tied: a comparison sort of 100,000 names spends most of its time on branches
// that the head bytes settle without comparing anything.
void SortByHeads(Entry* entries, std::size_t count, std::size_t byte, std::span<Entry> scratch) {
  constexpr std::size_t kFewEnoughToCompare = 32;
  constexpr std::size_t kMostBuckets = 4096;
  if (count <= kFewEnoughToCompare) {
    SortFew(entries, count);
    return;
  }
  // Past the bytes that all share, as the common start of names usually is.
  const std::size_t differing = FirstDifferingByte(entries, count);
  if (differing >= kHeadBytes) {
    SortFew(entries, count);
    return;
  }
  byte = std::max(byte, differing);
  // Two bytes at a time where the values they take span few enough buckets: a run of digits
  // then takes half the passes. The buckets are those values less the lowest of them.
  std::uint64_t low = ~std::uint64_t{0};
  std::uint64_t high = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t value = HeadWindow(entries[i], byte) >> 48;
    low = std::min(low, value);
    high = std::max(high, value);
  }
  std::size_t width = 2;
  if (high - low >= std::min(count, kMostBuckets) || byte == kHeadBytes - 1) {
    width = 1;
    low >>= 8;
    high >>= 8;
  }
  const unsigned shift = 64 - 8 * static_cast<unsigned>(width);
  const auto bucketOf = [byte, shift, low](const Entry& entry) {
    return static_cast<std::size_t>((HeadWindow(entry, byte) >> shift) - low);
  };
  const std::size_t buckets = static_cast<std::size_t>(high - low) + 1;
  std::vector<std::size_t> starts(buckets + 1);
  for (std::size_t i = 0; i < count; ++i)
    ++starts[bucketOf(entries[i]) + 1];
  for (std::size_t bucket = 1; bucket <= buckets; ++bucket)
    starts[bucket] += starts[bucket - 1];
  std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
  if (count <= scratch.size()) {
    // Through the scratch, without a branch to mispredict per entry.
    for (std::size_t i = 0; i < count; ++i)
      scratch[next[bucketOf(entries[i])]++] = entries[i];
    std::copy_n(scratch.begin(), count, entries);
  } else {
    // Each entry goes straight to its bucket, swapping out the one there.
    for (std::size_t bucket = 0; bucket < buckets; ++bucket) {
      while (next[bucket] < starts[bucket + 1]) {
        Entry entry = entries[next[bucket]];
        for (std::size_t at = bucketOf(entry); at != bucket; at = bucketOf(entry))
          std::swap(entry, entries[next[at]++]);
        entries[next[bucket]++] = entry;
      }
    }
  }
  for (std::size_t bucket = 0; bucket < buckets; ++bucket) {
    const std::size_t size = starts[bucket + 1] - starts[bucket];
    if (size > 1)
      SortByHeads(entries + starts[bucket], size, byte + width, scratch);
  }
}

// Orders `entries` by their heads, then what the heads leave tied.
void SortEntries(Entry* entries, std::size_t count) {
  // Buckets up to this size pass through a scratch; bigger ones, the first pass over a big list,
  // are permuted in place, since a scratch as big as the list would be fresh memory whose page
  // faults cost more than that pass's mispredicted branches. Only the pages used are touched.
  constexpr std::size_t kScratchEntries = 16'384;
  const std::size_t scratchSize = std::min(count, kScratchEntries);
  const auto scratch = std::make_unique_for_overwrite<Entry[]>(scratchSize);
  SortByHeads(entries, count, 0, {scratch.get(), scratchSize});
}

// The names of several lists as one sequence, by position in it.
class Pieces {
 public:
  explicit Pieces(std::vector<std::vector<std::string>>& pieces) : pieces_(pieces) {
    for (const auto& piece : pieces_)
      count_ += piece.size();
  }
  std::size_t count() const { return count_; }

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

template <typename Head>
void BuildEntries(Pieces& names, std::size_t from, std::size_t to, std::size_t offset,
                  Entry* entries) {
  Entry* next = entries;
  names.forEach(from, to, [&](std::string& name) {
    Head head(offset);
    BuildSortKey(name, head);
    *next++ = {{head.word(0), head.word(1)}, &name};
  });
}

// Builds the entries of the names at positions [from, to), their heads from key byte `offset` on;
// returns whether their heads are all the same.
bool BuildRange(Pieces& names, std::size_t from, std::size_t to, std::size_t offset,
                Entry* entries) {
  if (offset == 0)
    BuildEntries<KeyHead<true>>(names, from, to, 0, entries);
  else
    BuildEntries<KeyHead<false>>(names, from, to, offset, entries);
  const std::size_t count = to - from;
  return count > 1 && FirstDifferingByte(entries, count) == kHeadBytes;
}

// Moves the names of two sorted runs of entries, in order, to the names from `into` on; on a tie
// the first run's name goes first.
void MergeInto(std::span<const Entry> first, std::span<const Entry> second, std::string* into) {
  auto x = first.begin();
  auto y = second.begin();
  while (x != first.end() && y != second.end())
    *into++ = std::move(*(EntryLess(*y, *x) ? y++ : x++)->name);
  for (; x != first.end(); ++x)
    *into++ = std::move(*x->name);
  for (; y != second.end(); ++y)
    *into++ = std::move(*y->name);
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

// Builds the entries of all names and sorts those of each half, the halves side by side when there
// are at least `worthSplitting` names. Names that all begin alike, as a folder of one stem and its
// numbers does, share their heads and would all be told apart by their whole keys, each
// comparison building two; their heads are then built again from further on in their keys, where
// they differ. All entries share the offset of their heads, so that any two compare by them; the
// halves are sorted only once it is settled, side by side even when one half alone begins alike.
void SortByCommonStart(Pieces& names, Entry* entries, std::size_t worthSplitting) {
  // Each step builds every head again from the start of its key, so steps are few.
  constexpr std::size_t kFurthestOffset = 4 * kHeadBytes;
  const std::size_t count = names.count();
  const std::size_t half = count < worthSplitting ? count : count / 2;
  for (std::size_t offset = 0; offset < kFurthestOffset; offset += kHeadBytes) {
    bool alike[2] = {true, true};
    InHalves(count, worthSplitting, [&](std::size_t from, std::size_t to) {
      alike[from == 0 ? 0 : 1] = BuildRange(names, from, to, offset, entries + from);
    });
    const bool allAlike =
        alike[0] && alike[1] && (half == count || SameHead(entries[0], entries[half]));
    // Heads of zeros: the keys ended before the offset (file names hold no zero bytes), so no
    // head from further on tells them apart.
    if (!allAlike || (entries[0].head[0] | entries[0].head[1]) == 0)
      break;
  }
  InHalves(count, worthSplitting,
           [&](std::size_t from, std::size_t to) { SortEntries(entries + from, to - from); });
}

// Sorts the two halves of the names side by side, then merges them into one list, its two halves
// side by side as well.
std::vector<std::string> SortInHalves(Pieces& names, Entry* entries) {
  const std::size_t count = names.count();
  SortByCommonStart(names, entries, 0);
  const std::span<const Entry> lower(entries, count / 2);
  const std::span<const Entry> upper(entries + count / 2, count - count / 2);
  const std::size_t fromLower = TakenFromFirst(lower, upper, count / 2);
  const std::size_t fromUpper = count / 2 - fromLower;
  // Made whole first, so that each half of the merge moves its names straight into place: a list
  // for the upper half alone, moved on afterwards, would be fresh memory touched once.
  std::vector<std::string> sorted(count);
  SideBySide([&] { MergeInto(lower.first(fromLower), upper.first(fromUpper), sorted.data()); },
             [&] {
               MergeInto(lower.subspan(fromLower), upper.subspan(fromUpper),
                         sorted.data() + count / 2);
             });
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
  SortByCommonStart(names, entries.get(), kWorthTwoThreads);
  std::vector<std::string> sorted(count);
  MergeInto({entries.get(), count}, {}, sorted.data());
  return sorted;
}

void SortNaturally(std::vector<std::string>& names) {
  std::vector<std::vector<std::string>> one;
  one.push_back(std::move(names));
  names = SortNaturally(std::move(one));
}

}  // namespace varnoth
