// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_listing.h"

#include <utility>

#include "unanswered_folders.h"
#include "wildcard.h"

namespace varnoth {

FileListing::FileListing(std::string directory, std::string pattern, SnapshotReader read)
    : read_(std::move(read)), path_(std::move(directory)), pattern_(std::move(pattern)) {
  // A list that cannot read its start directory starts empty; the next set or refresh tells why.
  refresh();
}

FileListing::~FileListing() = default;

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

std::size_t FileListing::count() const {
  return matches_.size();
}

const std::string& FileListing::entry(std::size_t index) const {
  return snapshot_->names[matches_.at(index)];
}

bool FileListing::isSelected(std::size_t index) const {
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
  // A handler's steps point a list at the same directory and pattern again and again; the
  // directory's read is shared, and so is its filtering while neither has changed.
  const bool filtered = snapshot && snapshot == snapshot_ && pattern == pattern_;
  std::vector<std::size_t> matches;
  if (snapshot && !filtered) {
    for (std::size_t i = 0; i < snapshot->names.size(); ++i) {
      if (MatchesPattern(snapshot->names[i], pattern))
        matches.push_back(i);
    }
  }

  // The list takes the new path and pattern even when the directory cannot be read, so that the
  // next set can point it somewhere readable; it then shows nothing, since whatever it showed can
  // no longer be vouched for.
  if (aboutToReset_)
    aboutToReset_();
  path_ = directory;
  pattern_ = pattern;
  snapshot_ = std::move(snapshot);
  if (!filtered)
    matches_ = std::move(matches);
  selected_.assign(matches_.size(), false);
  if (reset_)
    reset_();
}

}  // namespace varnoth
