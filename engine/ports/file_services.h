// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <type_traits>

#include "folder_identity.h"

namespace varnoth {

// Why a move was refused that the system's own error numbers cannot say.
enum class MoveError {
  kNotRegularFile = 1,   // the listed name now holds a link, a directory, a fifo, ...
  kChangedWhileCopying,  // the source's size or times changed during the byte copy
  kCopyNotDurable,       // the copy is complete under its new name but could not be synced
  kReplacedPutBack,      // another entry took the name while it was moved; it went back
  kReplacedNotPutBack,   // as before, but it could not go back: it is under the new name
  kSizeDisagrees,        // the bytes read and the size the file system reports differ
};

const std::error_category& MoveErrorCategory();

inline std::error_code make_error_code(MoveError error) {
  return {static_cast<int>(error), MoveErrorCategory()};
}

inline const std::error_category& MoveErrorCategory() {
  class Category final : public std::error_category {
   public:
    const char* name() const noexcept override { return "varnoth.move"; }
    std::string message(int value) const override {
      switch (static_cast<MoveError>(value)) {
        case MoveError::kNotRegularFile:
          return "not a regular file";
        case MoveError::kChangedWhileCopying:
          return "changed while it was being copied";
        case MoveError::kCopyNotDurable:
          return "the copy could not be flushed to disk";
        case MoveError::kReplacedPutBack:
          return "replaced while it was being moved; put back";
        case MoveError::kReplacedNotPutBack:
          return "replaced while it was being moved";
        case MoveError::kSizeDisagrees:
          return "its size disagrees with its content";
      }
      return "unknown move error";
    }
  };
  static const Category category;
  return category;
}

// The outcome of moving one file: which step failed, if any, and why.
struct MoveResult {
  enum class Step {
    kNone,    // moved: the file is under its new name only
    kCopy,    // not moved: the source is where it was (and, for kCopyNotDurable, the copy too)
    kDelete,  // copied, but the source could not be removed: the file is in both places
  };
  Step failedStep = Step::kNone;
  std::error_code error;

  bool moved() const { return failedStep == Step::kNone; }
};

// A folder opened once and held while this object lives. A move names its files relative to the
// folder itself, never by resolving its path again: a folder renamed, or replaced by another or
// by a link, after it was opened does not change where the move acts.
class Folder {
 public:
  virtual ~Folder() = default;
  // Read once, when the folder was opened.
  virtual FolderIdentity identity() const = 0;
};

// What tells a file that may be an earlier copy of another from the rest before their bytes are
// compared: its size, and its modification time, which a copy keeps.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modifiedNanoseconds = 0;  // since 1970
};

struct FolderOpening {
  std::unique_ptr<Folder> folder;  // null on failure
  std::error_code error;
};

// The file operations the program performs. Paths and names are byte strings, passed to the
// system as they are, so names that are not valid UTF-8 survive unchanged. A `Folder` given to a
// call must have come from openFolder of the same object and outlive the call.
class FileServices {
 public:
  virtual ~FileServices() = default;

  // Opens the folder at `path` (following links on the way, as the lists read it).
  virtual FolderOpening openFolder(const std::string& path) = 0;

  // Moves the regular file `fromName` of `fromFolder` to the new name `toName` in `toFolder`
  // (bare names, no "/"). Anything else under `fromName` (a symbolic link, a directory, a fifo,
  // ...) is refused with MoveError::kNotRegularFile and left where it is; what a link points to is
  // never read or moved. Never replaces an existing `toName` (the result is then kCopy, "File
  // exists"), and never leaves a partial file under it. The kind is checked without following a
  // link, and after the name has moved the move confirms that the new name holds the very file
  // it checked: an entry that took `fromName` in between is put back under it
  // (kReplacedPutBack), or left under `toName` where it cannot go back (kReplacedNotPutBack); a
  // crash in that instant can leave it under `toName`. A byte copy reads the source to its end
  // and is kept only when that agrees with the size the source reports (else kSizeDisagrees).
  // What is on disk before the source's name goes, by the way the move is made:
  // - One rename, where both names are on one file system that can rename without replacing:
  //   nothing is synced, and nothing needs to be; the file has exactly one of its two names at
  //   every instant, whether the process is killed or the power fails.
  // - A hard link, then removal of the source: nothing is synced; journalling file systems keep
  //   the two changes in order, so a crash may leave the file under both names, never neither.
  // - A byte copy, then removal of the source: the copy's content is synced, it takes its name,
  //   and the folder is synced before the source is removed. A source that changed while it
  //   was read is kept and no copy is made (kChangedWhileCopying). A folder that cannot be
  //   synced by itself (EINVAL, not supported) is made durable by syncing its whole file system.
  //   When that fails, the complete copy stays under `toName` and the source is kept
  //   (kCopyNotDurable).
  //   Where the file system can neither link nor rename without replacing, `toName` is first
  //   reserved as an empty file; a kill at that moment leaves that empty file under `toName`,
  //   which removeLeftovers removes (unless the kill came in the instant before it was marked).
  // A kill between the two steps of the last two ways leaves the file under both names, which
  // finishMove then finishes.
  virtual MoveResult moveFile(const Folder& fromFolder, const std::string& fromName,
                              const Folder& toFolder, const std::string& toName) = 0;

  // The stamp of the regular file `name` of `folder`, without following a link; none for anything
  // else or when it cannot be read.
  virtual std::optional<FileStamp> stampOf(const Folder& folder, const std::string& name) = 0;

  // Finishes a move that an earlier run got as far as the copy: when `toName` of `toFolder` is a
  // regular file with the same bytes as `fromName` of `fromFolder`, makes sure it is on disk (its
  // content and its folder), then deletes `fromName`, with the results moveFile gives those
  // steps (kCopy with kCopyNotDurable when it cannot be made durable; the source is then kept).
  // None, touching nothing, when `toName` holds other bytes.
  virtual std::optional<MoveResult> finishMove(const Folder& fromFolder,
                                               const std::string& fromName, const Folder& toFolder,
                                               const std::string& toName) = 0;

  // Removes what killed moves left in `folder` that no run is still using: the empty files that
  // reserved a name, as they were marked when made. A file with content, or one that this
  // program did not mark as its reservation, is never removed.
  virtual void removeLeftovers(const Folder& folder) = 0;

  // Makes the removals and renames made in `folder` so far survive a power cut.
  virtual std::error_code syncFolder(const Folder& folder) = 0;

  // Creates one directory level; the parent must exist.
  virtual std::error_code makeDirectory(const std::string& path) = 0;
};

}  // namespace varnoth

template <>
struct std::is_error_code_enum<varnoth::MoveError> : std::true_type {};
