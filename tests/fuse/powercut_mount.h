// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <string>

namespace varnoth::test {

// Variants of the power-cut file system (tests/fuse/powercut_fs.c, where its durability model
// is written down), each standing for a kind of disk or driver; combine them with |.
enum PowerCutOption : unsigned {
  kStrictDisk = 0,              // honours fsync as the model says
  kIgnoreFsync = 1U << 0,       // no fsync operation: the kernel answers every fsync itself
  kFolderSyncEinval = 1U << 1,  // a folder fsync answers EINVAL
  kNoReplaceEinval = 1U << 2,   // a rename with flags (RENAME_NOREPLACE) answers EINVAL
  kNoLinks = 1U << 3,           // link answers EPERM
  kZeroSize = 1U << 4,          // regular files report st_size 0; reads still give the bytes
};

// The sync requests that reached the file system since it was mounted.
struct SyncCounts {
  long fsync = 0;
  long fdatasync = 0;
  long fsyncdir = 0;
  friend bool operator==(const SyncCounts&, const SyncCounts&) = default;
};

// The power-cut file system mounted over a fresh backing folder, both in a fresh temporary
// folder; unmounted (lazily if busy), its daemon ended and everything removed on destruction.
// Where it cannot be mounted (built without libfuse3, no /dev/fuse, the mount refused),
// `unavailable()` says why and the test skips:
//
//   PowerCutMount card(kFolderSyncEinval | kNoLinks);
//   SKIP_UNLESS_POWERCUT(card);
//   ... files under card.path() ...
//   ASSERT_TRUE(card.cut());
class PowerCutMount {
 public:
  // `endlessFolder`: a folder of that name at the root whose listing never ends.
  explicit PowerCutMount(unsigned options = kStrictDisk, const std::string& endlessFolder = {});
  ~PowerCutMount();
  PowerCutMount(const PowerCutMount&) = delete;
  PowerCutMount& operator=(const PowerCutMount&) = delete;

  // Empty when mounted, otherwise the reason it is not.
  const std::string& unavailable() const { return unavailable_; }
  const std::string& path() const { return mount_; }       // the mount point
  const std::string& backing() const { return backing_; }  // do not change it while mounted
  pid_t daemon() const { return daemon_; }                 // serves the mount

  // Drops everything not yet durable; returns once the mount shows only the durable state.
  [[nodiscard]] bool cut() const;
  // Makes everything durable, as a flush of the whole disk would.
  [[nodiscard]] bool syncAll() const;
  SyncCounts counts() const;
  // The mount stops answering (its daemon is stopped) and answers again.
  void stop() const;
  void resume() const;

 private:
  std::string work_, backing_, mount_, unavailable_;
  pid_t daemon_ = -1;
};

#define SKIP_UNLESS_POWERCUT(mount)   \
  if (!(mount).unavailable().empty()) \
  GTEST_SKIP() << (mount).unavailable()

}  // namespace varnoth::test
