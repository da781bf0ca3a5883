#pragma once
// Owner of the launcher's registry key: move-only, one close in one place.
// Kernel handles use WinHandle (platform/win_handle.h). Windows only.

#include <windows.h>

#include <utility>

namespace launcher {

class UniqueRegKey {
 public:
  UniqueRegKey() = default;
  ~UniqueRegKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  UniqueRegKey(UniqueRegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  UniqueRegKey& operator=(UniqueRegKey&&) = delete;
  UniqueRegKey(const UniqueRegKey&) = delete;
  UniqueRegKey& operator=(const UniqueRegKey&) = delete;

  HKEY get() const { return key_; }
  // For the call that opens the key; the key must be empty.
  HKEY* receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace launcher
