// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "directory_snapshot.h"
#include "ports/file_list.h"

namespace varnoth {

// The core of a file list without its widget: the regular, non-hidden files of one directory that
// match a pattern ("*" matches any run of characters, case ignored; every other character is
// literal), in natural order ("scan2" before "scan10", case ignored, ties broken by bytes), with
// a selection flag per entry. Every set and refresh re-reads; when the directory cannot be read,
// the list keeps the new path and pattern, shows no entries, and returns the system's reason.
// When the directory did not answer (see Unanswered), the list keeps what it showed, path and
// pattern too, and returns that failure.
class FileListing final : public FileList {
 public:
  FileListing(std::string directory, std::string pattern,
              SnapshotReader read = ReadDirectorySnapshot);
  ~FileListing() override;

  // For a list made without a directory: points it at `directory` and reads it, as making it with
  // that directory would have, so that a directory that does not answer stays the list's path.
  void startIn(const std::string& directory);

  std::error_code setPath(const std::string& directory) override;
  std::error_code setPattern(const std::string& pattern) override;
  std::error_code refresh() override;
  std::error_code refreshLike(const FileList& sameFolder) override;

  std::size_t count() const override;
  const std::string& entry(std::size_t index) const override;
  bool isSelected(std::size_t index) const override;
  std::optional<FolderIdentity> folderIdentity() const override;
  bool sawLeftovers() const override;

  void setSelected(std::size_t index, bool selected);

  // Indices into a read's sorted names, four bytes each, so that filtering a big folder writes half
  // the memory: a read holds far fewer than 2^32 names (see kMaxListingBytes).
  using Matches = std::vector<std::uint32_t>;

  const std::string& path() const { return path_; }
  const std::string& pattern() const { return pattern_; }

  // The entries as they stand: the same pointer for as long as the same names of the same read
  // are shown, in this list or another, so that what was worked out from them can be kept.
  std::shared_ptr<const void> entries() const { return matches(); }

  // Called just before and just after the entries change, so that a view can reset in one step.
  void setResetCallbacks(std::function<void()> aboutToReset, std::function<void()> reset);

 private:
  std::error_code reread(const std::string& directory, const std::string& pattern);
  void take(const std::string& directory, const std::string& pattern,
            std::shared_ptr<const DirectorySnapshot> snapshot);
  // The names are matched against the pattern when they are first asked for: a handler often
  // points a list at several patterns in a row, of which only the last is ever shown.
  const std::shared_ptr<const Matches>& matches() const;

  SnapshotReader read_;
  std::string path_;
  std::string pattern_;
  std::shared_ptr<const DirectorySnapshot> snapshot_;
  // Indices into the snapshot's sorted names; null while there is no snapshot or until matched.
  mutable std::shared_ptr<const Matches> matches_;
  mutable bool matched_ = true;
  mutable std::vector<bool> selected_;
  std::function<void()> aboutToReset_;
  std::function<void()> reset_;
};

}  // namespace varnoth
