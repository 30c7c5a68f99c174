// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory_snapshot.h"

#include <atomic>

#include "natural_order.h"
#include "unanswered_folders.h"
#include "win32/win32_names.h"

namespace varnoth {

namespace {

struct FindCloser {
  void operator()(HANDLE find) const { FindClose(find); }
};

std::atomic<std::size_t>& ListingLimit() {
  static std::atomic<std::size_t> limit{kMaxListingBytes};
  return limit;
}

}  // namespace

std::size_t MaxListingBytes() {
  return ListingLimit().load();
}

void SetMaxListingBytes(std::size_t bytes) {
  ListingLimit().store(bytes);
}

// Every call reads the folder again: Windows offers no cheap proof that a folder is unchanged
// (its write time is updated lazily on some volumes), and the large fetch keeps a read quick.
std::shared_ptr<const DirectorySnapshot> ReadDirectorySnapshot(const std::string& directory,
                                                               std::error_code& error) {
  error.clear();
  std::wstring pattern = Wide(directory);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
    pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                 nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    error = LastWin32Error();
    return nullptr;
  }
  std::unique_ptr<void, FindCloser> closer(find);
  auto snapshot = std::make_shared<DirectorySnapshot>();
  // The folder's identity as a held folder reports it (volume serial and file index).
  UniqueHandle folder(CreateFileW(pattern.substr(0, pattern.size() - 1).c_str(),
                                  FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (folder && GetFileInformationByHandle(folder.get(), &info)) {
    snapshot->device = info.dwVolumeSerialNumber;
    snapshot->inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  }
  std::size_t bytes = 0;
  const std::size_t limit = MaxListingBytes();
  do {
    const std::wstring_view name(entry.cFileName);
    // A broken file system or server can hand out entries without end.
    bytes += sizeof(std::string) + name.size() * 3;
    if (bytes > limit) {
      error = make_error_code(WaitError::kListingTooLong);
      return nullptr;
    }
    const DWORD attributes = entry.dwFileAttributes;
    if (name.starts_with(L".varnoth-") && name.ends_with(L".tmp"))
      snapshot->leftoverMarks = true;  // a copy a killed run left; removeLeftovers takes it
    if (name == L"." || name == L".." ||
        (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
      continue;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      // Junctions and links to folders open like any folder.
      snapshot->subdirectories.push_back(Bytes(name));
    } else if (!(attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))) {
      // A link to a file is not one of the files to move: moving it would leave the picture.
      snapshot->names.push_back(Bytes(name));
    }
  } while (FindNextFileW(find, &entry));
  if (GetLastError() != ERROR_NO_MORE_FILES) {
    error = LastWin32Error();
    return nullptr;
  }
  SortNaturally(snapshot->names);
  SortNaturally(snapshot->subdirectories);
  return snapshot;
}

// Windows reads are not cached (see above), so a read ahead would only be read again.
void ReadDirectoryAhead(const std::string& /*directory*/) {}

}  // namespace varnoth
