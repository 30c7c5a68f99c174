// SPDX-License-Identifier: GPL-3.0-or-later
#include "directory_snapshot.h"

#include "natural_order.h"
#include "win32/win32_names.h"

namespace varnoth {

namespace {

struct FindCloser {
  void operator()(HANDLE find) const { FindClose(find); }
};

}  // namespace

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
  do {
    const std::wstring_view name(entry.cFileName);
    const DWORD attributes = entry.dwFileAttributes;
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

}  // namespace varnoth
