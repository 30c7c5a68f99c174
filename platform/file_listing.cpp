// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_listing.h"

#include <deque>
#include <limits>
#include <mutex>
#include <numeric>
#include <utility>

#include "side_thread.h"
#include "unanswered_folders.h"
#include "wildcard.h"

namespace varnoth {

namespace {

using Matches = FileListing::Matches;
static_assert(kMaxListingBytes / sizeof(std::string) <=
              std::numeric_limits<Matches::value_type>::max());

// The names of `snapshot` that match `pattern`. Both file lists start in the same folder, and a
// handler's steps point them at the same folder and patterns again and again: the last few
// filterings are kept and shared rather than matching every name each time.
std::shared_ptr<const Matches> Filter(const std::shared_ptr<const DirectorySnapshot>& snapshot,
                                      const std::string& pattern) {
  struct Kept {
    std::weak_ptr<const DirectorySnapshot> snapshot;
    std::string pattern;
    std::shared_ptr<const Matches> matches;
  };
  constexpr std::size_t kKept = 4;
  static std::mutex mutex;
  static std::deque<Kept> kept;
  {
    std::lock_guard lock(mutex);
    for (const Kept& filtering : kept) {
      if (filtering.pattern == pattern && filtering.snapshot.lock() == snapshot)
        return filtering.matches;
    }
  }
  auto matches = std::make_shared<Matches>();
  if (pattern == "*") {
    matches->resize(snapshot->names.size());
    std::iota(matches->begin(), matches->end(), Matches::value_type{0});
  } else {
    const Wildcard wildcard(pattern);
    const std::vector<std::string>& names = snapshot->names;
    // A big folder is matched in two halves side by side.
    constexpr std::size_t kWorthTwoThreads = 20'000;
    Matches upper;
    InHalves(names.size(), kWorthTwoThreads, [&](std::size_t from, std::size_t to) {
      Matches& into = from == 0 ? *matches : upper;
      // Room for every name at once: growing step by step copies a list of 100,000 matches many
      // times, and the pages never written to cost nothing.
      into.reserve(from == 0 ? names.size() : to - from);
      for (std::size_t i = from; i < to; ++i) {
        if (wildcard.matches(names[i]))
          into.push_back(static_cast<Matches::value_type>(i));
      }
    });
    matches->insert(matches->end(), upper.begin(), upper.end());
    if (matches->size() < matches->capacity() / 2)
      matches->shrink_to_fit();
  }
  std::lock_guard lock(mutex);
  kept.push_front({snapshot, pattern, matches});
  if (kept.size() > kKept)
    kept.pop_back();
  return matches;
}

}  // namespace

FileListing::FileListing(std::string directory, std::string pattern, SnapshotReader read)
    : read_(std::move(read)), path_(std::move(directory)), pattern_(std::move(pattern)) {
  // A list that cannot read its start directory starts empty; the next set or refresh tells why.
  // One made without a directory shows nothing until it is pointed at one.
  if (!path_.empty())
    refresh();
}

FileListing::~FileListing() = default;

void FileListing::startIn(const std::string& directory) {
  path_ = directory;
  refresh();
}

std::error_code FileListing::setPath(const std::string& directory) {
  return reread(directory, pattern_);
}

std::error_code FileListing::setPattern(const std::string& pattern) {
  return reread(path_, pattern);
}

std::error_code FileListing::refresh() {
  return reread(path_, pattern_);
}

std::error_code FileListing::refreshLike(const FileList& sameFolder) {
  const auto* other = dynamic_cast<const FileListing*>(&sameFolder);
  if (!other || other->path_ != path_ || !other->snapshot_)
    return refresh();
  take(path_, pattern_, other->snapshot_);
  return {};
}

const std::shared_ptr<const FileListing::Matches>& FileListing::matches() const {
  if (!matched_) {
    matches_ = Filter(snapshot_, pattern_);
    selected_.assign(matches_->size(), false);
    matched_ = true;
  }
  return matches_;
}

std::size_t FileListing::count() const {
  return matches() ? matches_->size() : 0;
}

const std::string& FileListing::entry(std::size_t index) const {
  return snapshot_->names[matches()->at(index)];
}

bool FileListing::isSelected(std::size_t index) const {
  matches();
  return selected_.at(index);
}

std::optional<FolderIdentity> FileListing::folderIdentity() const {
  if (!snapshot_)
    return std::nullopt;
  return FolderIdentity{snapshot_->device, snapshot_->inode};
}

bool FileListing::sawLeftovers() const {
  return snapshot_ && snapshot_->leftoverMarks;
}

void FileListing::setSelected(std::size_t index, bool selected) {
  matches();
  selected_.at(index) = selected;
}

void FileListing::setResetCallbacks(std::function<void()> aboutToReset,
                                    std::function<void()> reset) {
  aboutToReset_ = std::move(aboutToReset);
  reset_ = std::move(reset);
}

std::error_code FileListing::reread(const std::string& directory, const std::string& pattern) {
  std::error_code error;
  auto snapshot = read_(directory, error);
  if (Unanswered(error))
    return error;
  take(directory, pattern, std::move(snapshot));
  return error;
}

void FileListing::take(const std::string& directory, const std::string& pattern,
                       std::shared_ptr<const DirectorySnapshot> snapshot) {
  // The list takes the new path and pattern even when the directory cannot be read, so that the
  // next set can point it somewhere readable; it then shows nothing, since whatever it showed can
  // no longer be vouched for.
  if (aboutToReset_)
    aboutToReset_();
  path_ = directory;
  pattern_ = pattern;
  snapshot_ = std::move(snapshot);
  matches_ = nullptr;
  matched_ = !snapshot_;
  selected_.clear();
  if (reset_)
    reset_();
}

}  // namespace varnoth
