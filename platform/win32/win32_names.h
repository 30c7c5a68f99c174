// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <system_error>

#include "wide_names.h"

namespace varnoth {

// A program path (bytes) as the system's wide string, and back; see wide_names.h.
inline std::wstring Wide(std::string_view bytes) {
  const std::u16string wide = WideFromBytes(bytes);
  return {wide.begin(), wide.end()};
}

inline std::string Bytes(std::wstring_view wide) {
  return BytesFromWide(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

inline std::error_code LastWin32Error() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}

// Closes a kernel handle when it goes out of scope.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.release();
    }
    return *this;
  }
  ~UniqueHandle() { reset(); }

  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  void reset() {
    if (*this)
      CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace varnoth
