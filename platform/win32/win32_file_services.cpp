// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/win32_file_services.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "win32/win32_names.h"

namespace varnoth {

namespace {

constexpr DWORD kNotAFile =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

MoveResult NotMoved(std::error_code error) {
  return {MoveResult::Step::kCopy, error};
}

// The folder part of a path, with its separator: "D:\a\b.jpg" gives "D:\a\".
std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// A hidden file under a name no other run uses, created empty and open for writing. The handle
// lets a rename of its path through, so the file can take its final name while still held.
UniqueHandle CreateTemporary(const std::wstring& folder, std::wstring& name) {
  static std::atomic<std::uint32_t> counter{0};
  const DWORD process = GetCurrentProcessId();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::array<wchar_t, 64> suffix{};
    swprintf(suffix.data(), suffix.size(), L".varnoth-%lx-%x.tmp",
             static_cast<unsigned long>(process), counter.fetch_add(1));
    name = folder + suffix.data();
    UniqueHandle file(CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
    if (file || GetLastError() != ERROR_FILE_EXISTS)
      return file;
  }
  return UniqueHandle();
}

bool DeleteByHandle(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

bool SetAttributes(HANDLE file, DWORD attributes) {
  FILE_BASIC_INFO basic{};  // times of zero stay as they are
  basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
}

std::error_code CopyBytes(HANDLE from, HANDLE to) {
  std::vector<char> buffer(1 << 20);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
      return LastWin32Error();
    if (got == 0)
      return {};
    for (DWORD done = 0; done < got;) {
      DWORD wrote = 0;
      if (!WriteFile(to, buffer.data() + done, got - done, &wrote, nullptr))
        return LastWin32Error();
      done += wrote;
    }
  }
}

// Across volumes. The source is held open for the whole move without sharing writes, so nobody
// can change it while it is read, and it is deleted through that same handle: a file put under
// its name meanwhile is never the one removed.
MoveResult CopyThenDelete(const std::wstring& from, const std::wstring& to) {
  UniqueHandle source(CreateFileW(
      from.c_str(), GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!source)
    return NotMoved(LastWin32Error());
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(source.get(), &info))
    return NotMoved(LastWin32Error());
  if (info.dwFileAttributes & kNotAFile)
    return NotMoved(MoveError::kNotRegularFile);

  std::wstring temporary;
  UniqueHandle copy = CreateTemporary(FolderOf(to), temporary);
  if (!copy)
    return NotMoved(LastWin32Error());
  const DWORD attributes = info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
  std::error_code error = CopyBytes(source.get(), copy.get());
  if (!error &&
      !SetFileTime(copy.get(), &info.ftCreationTime, &info.ftLastAccessTime, &info.ftLastWriteTime))
    error = LastWin32Error();
  // The source's attributes, so the copy is no longer hidden once it has its name; read-only
  // only at the end, since a read-only temporary could not be removed after a failure.
  if (!error && !SetAttributes(copy.get(), attributes))
    error = LastWin32Error();
  if (!error && !FlushFileBuffers(copy.get()))
    error = LastWin32Error();
  if (!error && !MoveFileExW(temporary.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
    error = LastWin32Error();
  if (error) {
    DeleteByHandle(copy.get());
    return NotMoved(error);
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
    SetAttributes(copy.get(), info.dwFileAttributes);
  copy.reset();

  // A read-only file refuses deletion; the flag comes back if it cannot be deleted after all.
  if (attributes != info.dwFileAttributes)
    SetAttributes(source.get(), attributes);
  if (!DeleteByHandle(source.get())) {
    error = LastWin32Error();
    if (attributes != info.dwFileAttributes)
      SetAttributes(source.get(), info.dwFileAttributes);
    return {MoveResult::Step::kDelete, error};
  }
  return {};
}

}  // namespace

MoveResult Win32FileServices::moveFile(const std::string& from, const std::string& to) {
  const std::wstring wideFrom = Wide(from);
  const std::wstring wideTo = Wide(to);
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExW(wideFrom.c_str(), GetFileExInfoStandard, &info))
    return NotMoved(LastWin32Error());
  if (info.dwFileAttributes & kNotAFile)
    return NotMoved(MoveError::kNotRegularFile);
  // Without MOVEFILE_REPLACE_EXISTING a taken name is refused in the same step, and without
  // MOVEFILE_COPY_ALLOWED the system never copies on its own.
  if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), 0))
    return {};
  if (GetLastError() != ERROR_NOT_SAME_DEVICE)
    return NotMoved(LastWin32Error());
  return CopyThenDelete(wideFrom, wideTo);
}

std::error_code Win32FileServices::makeDirectory(const std::string& path) {
  if (!CreateDirectoryW(Wide(path).c_str(), nullptr))
    return LastWin32Error();
  return {};
}

Win32FileServices& systemFileServices() {
  static Win32FileServices services;
  return services;
}

}  // namespace varnoth
