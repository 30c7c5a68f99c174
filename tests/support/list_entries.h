// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "ports/file_list.h"

namespace varnoth::test {

// A file list's entries, in its order.
inline std::vector<std::string> EntriesOf(const FileList& list) {
  std::vector<std::string> names;
  names.reserve(list.count());
  for (std::size_t index = 0; index < list.count(); ++index)
    names.push_back(list.entry(index));
  return names;
}

}  // namespace varnoth::test
