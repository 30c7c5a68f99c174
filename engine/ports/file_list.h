// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <system_error>

#include "folder_identity.h"

namespace varnoth {

// What the logic uses of a file list: a filtered, sorted listing of one directory's regular files
// with a selection flag per entry. Setting the path or the pattern re-reads at once, also when
// the value is unchanged. What a list returns (an entry's reference, the folder's identity)
// describes its last read and is valid until the next set or refresh.
class FileList {
 public:
  virtual ~FileList() = default;

  virtual std::error_code setPath(const std::string& directory) = 0;
  virtual std::error_code setPattern(const std::string& pattern) = 0;
  virtual std::error_code refresh() = 0;
  // Refreshes from the read that `sameFolder` made at its own last set or refresh, where both
  // show the same folder and it read it; re-reads otherwise. For two lists of one folder that are
  // refreshed one right after the other.
  virtual std::error_code refreshLike(const FileList& sameFolder) = 0;

  virtual std::size_t count() const = 0;
  // Bare file name, as bytes.
  virtual const std::string& entry(std::size_t index) const = 0;
  virtual bool isSelected(std::size_t index) const = 0;
  // The folder the entries were read from, as it was at that read; none when it could not be read.
  virtual std::optional<FolderIdentity> folderIdentity() const = 0;
  // Whether the read saw the marks a killed move leaves beside a reservation it made.
  virtual bool sawLeftovers() const = 0;
};

// The current path of a directory list: absolute, "/"-separated, ending in "/" only at the root.
// A rename run reads it once, as it starts, and holds the folder it names to its end.
class DirectoryPathSource {
 public:
  virtual ~DirectoryPathSource() = default;
  virtual std::string path() const = 0;
};

// The current text of a text control, as bytes (UTF-8 for typed text).
class TextSource {
 public:
  virtual ~TextSource() = default;
  virtual std::string textBytes() const = 0;
};

}  // namespace varnoth
