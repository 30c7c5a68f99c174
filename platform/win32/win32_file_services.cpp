// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/win32_file_services.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "move_control.h"
#include "ports/path_separator.h"
#include "win32/win32_names.h"

namespace varnoth {

namespace {

constexpr DWORD kNotAFile =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

MoveResult NotMoved(std::error_code error) {
  return {MoveResult::Step::kCopy, error};
}

MoveResult GivenUp() {
  return NotMoved(std::make_error_code(std::errc::operation_canceled));
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

// Exactly the names CreateTemporary gives: ".varnoth-", hex digits, "-", hex digits, ".tmp".
bool IsTemporaryName(std::wstring_view name) {
  constexpr std::wstring_view kHead = L".varnoth-";
  constexpr std::wstring_view kTail = L".tmp";
  if (!name.starts_with(kHead) || !name.ends_with(kTail))
    return false;
  const std::wstring_view middle =
      name.substr(kHead.size(), name.size() - kHead.size() - kTail.size());
  const auto dash = middle.find(L'-');
  auto hex = [](std::wstring_view part) {
    return !part.empty() && part.find_first_not_of(L"0123456789abcdef") == std::wstring_view::npos;
  };
  return dash != std::wstring_view::npos && hex(middle.substr(0, dash)) &&
         hex(middle.substr(dash + 1));
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
    NoteMoveProgress();
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
  // Given up on meanwhile, the copy goes before it ever has a name, and the source stays.
  if (!error && !MoveMayComplete()) {
    DeleteByHandle(copy.get());
    return GivenUp();
  }
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

// A folder held open for a run; see Win32FileServices.
class Win32Folder final : public Folder {
 public:
  Win32Folder(UniqueHandle handle, std::wstring path, FolderIdentity identity)
      : handle_(std::move(handle)), path_(std::move(path)), identity_(identity) {}
  FolderIdentity identity() const override { return identity_; }
  std::wstring pathOf(const std::string& name) const { return path_ + L"\\" + Wide(name); }
  const std::wstring& path() const { return path_; }

 private:
  UniqueHandle handle_;
  std::wstring path_;
  FolderIdentity identity_;
};

const Win32Folder& Held(const Folder& folder) {
  return static_cast<const Win32Folder&>(folder);
}

bool IsBareName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(kNameBreakers) == std::string::npos;
}

// The file behind a name, without following a link: its attributes and its identity.
std::optional<BY_HANDLE_FILE_INFORMATION> InfoOf(const std::wstring& path) {
  UniqueHandle file(CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!file || !GetFileInformationByHandle(file.get(), &info))
    return std::nullopt;
  return info;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// One rename within a volume, then the check that the new name holds the file that was checked:
// another file put under the old name in between is renamed back.
MoveResult RenameWithinVolume(const std::wstring& from, const std::wstring& to,
                              const BY_HANDLE_FILE_INFORMATION& checked, bool& otherVolume) {
  // Without MOVEFILE_REPLACE_EXISTING a taken name is refused in the same step, and without
  // MOVEFILE_COPY_ALLOWED the system never copies on its own.
  if (!MoveFileExW(from.c_str(), to.c_str(), 0)) {
    otherVolume = GetLastError() == ERROR_NOT_SAME_DEVICE;
    return NotMoved(LastWin32Error());
  }
  const auto moved = InfoOf(to);
  if (!moved || SameFile(*moved, checked)) {
    // A rename made after the caller gave up on the move is taken back, without replacing
    // anything: the file returns to its source name, where the caller reported it stays.
    if (MoveMayComplete() || !MoveFileExW(to.c_str(), from.c_str(), 0))
      return {};
    return GivenUp();
  }
  if (MoveFileExW(to.c_str(), from.c_str(), 0))
    return NotMoved(MoveError::kReplacedPutBack);
  return NotMoved(MoveError::kReplacedNotPutBack);
}

}  // namespace

FolderOpening Win32FileServices::openFolder(const std::string& path) {
  std::wstring wide = Wide(path);
  UniqueHandle handle(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!handle || !GetFileInformationByHandle(handle.get(), &info))
    return {nullptr, LastWin32Error()};
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return {nullptr, std::make_error_code(std::errc::not_a_directory)};
  while (wide.size() > 3 && (wide.back() == L'\\' || wide.back() == L'/'))
    wide.pop_back();
  if (!wide.empty() && (wide.back() == L'\\' || wide.back() == L'/'))
    wide.pop_back();  // a root: the separator comes back with each name
  const FolderIdentity identity{info.dwVolumeSerialNumber,
                                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  return {std::make_unique<Win32Folder>(std::move(handle), std::move(wide), identity), {}};
}

MoveResult Win32FileServices::moveFile(const Folder& fromFolder, const std::string& fromName,
                                       const Folder& toFolder, const std::string& toName) {
  if (!IsBareName(fromName) || !IsBareName(toName))
    return NotMoved(std::make_error_code(std::errc::invalid_argument));
  const std::wstring from = Held(fromFolder).pathOf(fromName);
  const std::wstring to = Held(toFolder).pathOf(toName);
  const auto checked = InfoOf(from);
  if (!checked)
    return NotMoved(LastWin32Error());
  if (checked->dwFileAttributes & kNotAFile)
    return NotMoved(MoveError::kNotRegularFile);
  bool otherVolume = false;
  MoveResult result = RenameWithinVolume(from, to, *checked, otherVolume);
  if (!otherVolume)
    return result;
  return CopyThenDelete(from, to);
}

MoveResult Win32FileServices::moveFile(const std::string& from, const std::string& to) {
  auto split = [](const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return std::pair(path.substr(0, slash == std::string::npos ? 0 : slash + 1),
                     path.substr(slash == std::string::npos ? 0 : slash + 1));
  };
  const auto [fromDirectory, fromName] = split(from);
  const auto [toDirectory, toName] = split(to);
  FolderOpening fromFolder = openFolder(fromDirectory.empty() ? "." : fromDirectory);
  if (!fromFolder.folder)
    return NotMoved(fromFolder.error);
  FolderOpening toFolder = openFolder(toDirectory.empty() ? "." : toDirectory);
  if (!toFolder.folder)
    return NotMoved(toFolder.error);
  return moveFile(*fromFolder.folder, fromName, *toFolder.folder, toName);
}

std::optional<FileStamp> Win32FileServices::stampOf(const Folder& folder, const std::string& name) {
  if (!IsBareName(name))
    return std::nullopt;
  const auto info = InfoOf(Held(folder).pathOf(name));
  if (!info || (info->dwFileAttributes & kNotAFile))
    return std::nullopt;
  // FILETIME counts 100 ns from 1601; the stamp counts nanoseconds from 1970.
  constexpr std::int64_t kFrom1601To1970 = 116444736000000000;
  const std::int64_t ticks =
      static_cast<std::int64_t>((std::uint64_t{info->ftLastWriteTime.dwHighDateTime} << 32) |
                                info->ftLastWriteTime.dwLowDateTime);
  return FileStamp{(std::uint64_t{info->nFileSizeHigh} << 32) | info->nFileSizeLow,
                   (ticks - kFrom1601To1970) * 100};
}

std::optional<MoveResult> Win32FileServices::finishMove(const Folder& fromFolder,
                                                        const std::string& fromName,
                                                        const Folder& toFolder,
                                                        const std::string& toName) {
  if (!IsBareName(fromName) || !IsBareName(toName))
    return std::nullopt;
  const std::wstring from = Held(fromFolder).pathOf(fromName);
  UniqueHandle source(CreateFileW(from.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  UniqueHandle copy(CreateFileW(Held(toFolder).pathOf(toName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!source || !copy)
    return std::nullopt;
  std::vector<char> a(1 << 16), b(1 << 16);
  for (;;) {
    DWORD gotA = 0, gotB = 0;
    if (!ReadFile(source.get(), a.data(), static_cast<DWORD>(a.size()), &gotA, nullptr) ||
        !ReadFile(copy.get(), b.data(), static_cast<DWORD>(b.size()), &gotB, nullptr) ||
        gotA != gotB || std::memcmp(a.data(), b.data(), gotA) != 0)
      return std::nullopt;
    if (gotA == 0)
      break;
  }
  if (!FlushFileBuffers(copy.get()))
    return NotMoved(MoveError::kCopyNotDurable);
  if (!DeleteByHandle(source.get()))
    return MoveResult{MoveResult::Step::kDelete, LastWin32Error()};
  return MoveResult{};
}

void Win32FileServices::removeLeftovers(const Folder& folder) {
  // The hidden temporaries of copies a killed run left: never the only copy, since a source is
  // deleted only after its copy has its name. One still written to is open, and so refused.
  WIN32_FIND_DATAW entry;
  const std::wstring pattern = Held(folder).path() + L"\\.varnoth-*.tmp";
  HANDLE find =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE)
    return;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !(entry.dwFileAttributes & kNotAFile) &&
        IsTemporaryName(entry.cFileName)) {
      UniqueHandle file(CreateFileW((Held(folder).path() + L"\\" + entry.cFileName).c_str(), DELETE,
                                    0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
      if (file)
        DeleteByHandle(file.get());
    }
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

std::error_code Win32FileServices::syncFolder(const Folder& /*folder*/) {
  // Win32 has no flush of a folder's entries; the renames that must reach the disk are made
  // with MOVEFILE_WRITE_THROUGH, and journalling NTFS keeps the order of the others.
  return {};
}

std::error_code Win32FileServices::makeDirectory(const std::string& path) {
  if (!CreateDirectoryW(Wide(path).c_str(), nullptr))
    return LastWin32Error();
  return {};
}

Win32FileServices& SystemFileServices() {
  static Win32FileServices services;
  return services;
}

}  // namespace varnoth
