// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <dirent.h>

#include <cstddef>
#include <string>
#include <system_error>
#include <vector>

namespace varnoth {

// The non-hidden entries of one directory by kind, each in the order the system gave them, by
// bare name (bytes as the system gives them).
struct DirectoryEntries {
  // In the pieces the directory was read in (see below), so that a list of 100,000 names is not
  // moved once more only to gather it.
  std::vector<std::vector<std::string>> files;
  std::vector<std::string> subdirectories;
  std::vector<std::string> links;
  // Whether a hidden mark of a reservation that a killed move left was among the entries.
  bool leftoverMarks = false;
};

// Reads every entry of the open `directory` into `entries`. Stops with WaitError::kListingTooLong
// once the names would take more than `limitBytes` (each counted with the string that holds it).
// A big directory on a file system that hands out its entries in hash order is read in pieces of
// the hash range on several threads: its reading is nearly all the kernel's work on each entry,
// and spreading it over the processors divides the wait.
std::error_code ReadDirectoryEntries(DIR* directory, std::size_t limitBytes,
                                     DirectoryEntries& entries);

}  // namespace varnoth
