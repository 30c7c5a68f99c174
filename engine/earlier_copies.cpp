// SPDX-License-Identifier: GPL-3.0-or-later
#include "earlier_copies.h"

#include <cstdlib>

namespace varnoth {

namespace {

// A copy keeps its source's modification time as finely as the target's file system stores it:
// FAT keeps it to two seconds. The bytes decide; the time only spares reading the others.
constexpr std::int64_t kCoarsestTimestamp = std::int64_t{2'000'000'000};

}  // namespace

void EarlierCopies::index() {
  indexed_ = true;
  for (std::string& name : names_) {
    if (const std::optional<FileStamp> stamp = files_.stampOf(target_, name))
      bySize_.emplace(stamp->size, std::make_pair(stamp->modifiedNanoseconds, std::move(name)));
  }
  names_.clear();
}

std::optional<EarlierCopies::Finished> EarlierCopies::finish(const Folder& source,
                                                             const std::string& name) {
  // No file of the stem at the run's start: nothing to look for, and nothing to read.
  if (!indexed_ && names_.empty())
    return std::nullopt;
  const std::optional<FileStamp> stamp = files_.stampOf(source, name);
  if (!stamp)
    return std::nullopt;
  if (!indexed_)
    index();
  auto [candidate, end] = bySize_.equal_range(stamp->size);
  for (; candidate != end; ++candidate) {
    const auto& [modified, copyName] = candidate->second;
    // In place, a numbered file chosen to be numbered anew is no copy of itself.
    if (&source == &target_ && copyName == name)
      continue;
    if (std::llabs(modified - stamp->modifiedNanoseconds) > kCoarsestTimestamp)
      continue;
    if (std::optional<MoveResult> result = files_.finishMove(source, name, target_, copyName)) {
      Finished finished{copyName, *result};
      bySize_.erase(candidate);
      return finished;
    }
  }
  return std::nullopt;
}

}  // namespace varnoth
