#pragma once
// Owns one kernel HANDLE and closes it once. Both null and
// INVALID_HANDLE_VALUE count as "no handle", since Win32 uses either as the
// failure value depending on the call. Windows-only header.

#include <windows.h>

class WinHandle {
 public:
  WinHandle() = default;
  explicit WinHandle(HANDLE handle) : handle_(IsValid(handle) ? handle : nullptr) {}
  ~WinHandle() { reset(); }
  WinHandle(WinHandle&& other) noexcept : handle_(other.release()) {}
  WinHandle& operator=(WinHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.release();
    }
    return *this;
  }
  WinHandle(const WinHandle&) = delete;
  WinHandle& operator=(const WinHandle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void reset() {
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  static bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  HANDLE handle_ = nullptr;
};
