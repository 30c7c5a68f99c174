// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace varnoth {

// The regular, non-hidden files and the non-hidden sub-directories of one directory, by bare name
// (bytes as the system gives them), each in natural order. Never changed once read, so the file
// lists and the directory lists that show one directory share one read of it.
struct DirectorySnapshot {
  std::vector<std::string> names;
  std::vector<std::string> subdirectories;
  // The directory that was read: its device and inode as stat gives them.
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  // Whether a hidden mark of a reservation that a killed move left was among the entries.
  bool leftoverMarks = false;
};

// A folder read stops with WaitError::kListingTooLong once its names would take more memory than
// this (each counted with the string that holds it): a folder of a million files with names of
// the longest length allowed still fits, and a broken file system handing out entries without end
// cannot take all the memory of the machine.
inline constexpr std::size_t kMaxListingBytes = std::size_t{512} << 20;

// The limit reads apply: kMaxListingBytes, unless a test has set a lower one to reach it within
// moments. Setting kMaxListingBytes again restores it.
std::size_t MaxListingBytes();
void SetMaxListingBytes(std::size_t bytes);

// Reads `directory`, or returns the snapshot of an earlier read when the directory provably has
// not changed since then, so a file created before this call always appears in its result.
// Returns null and sets `error` when the directory cannot be read.
// Symbolic links to folders are listed among the sub-directories; a link whose folder does not
// answer fails the read with the failure naming it once, and is left out after that until it
// answers.
std::shared_ptr<const DirectorySnapshot> ReadDirectorySnapshot(const std::string& directory,
                                                               std::error_code& error);

// How a control reads a directory: ReadDirectorySnapshot itself, or the same on a worker.
using SnapshotReader = std::function<std::shared_ptr<const DirectorySnapshot>(
    const std::string& directory, std::error_code& error)>;

// Starts reading `directory` on a thread of its own and returns at once, so that the read of the
// folder a program starts in overlaps the rest of its start. A ReadDirectorySnapshot of the same
// path meanwhile waits for it and then takes its snapshot, when the cache may keep it, under the
// same rule as any other; otherwise it reads again.
void ReadDirectoryAhead(const std::string& directory);

}  // namespace varnoth
