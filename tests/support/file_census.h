// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace varnoth::test {

// Every regular file below some directories (hidden ones and sub-directories included), by path.
using FileCensus = std::map<std::string, std::string>;  // path -> content

FileCensus TakeCensus(const std::vector<std::string>& directories);

// The invariant every run must keep, whatever failed: the set of file contents is the same before
// and after (nothing lost, no partial or stray content), and no file that existed before holds
// other content now (nothing overwritten).
testing::AssertionResult NothingLost(const FileCensus& before, const FileCensus& after);

}  // namespace varnoth::test
