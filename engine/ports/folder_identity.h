// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace varnoth {

// Which folder a path named when it was read: the device and the number the file system gives it
// there (on Windows, the volume's serial and the file index). A folder replaced under the same
// path, by another folder or by a link to one, has another identity.
struct FolderIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FolderIdentity&) const = default;
};

}  // namespace varnoth
