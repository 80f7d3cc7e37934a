#pragma once
#include <windows.h>

#include <utility>

namespace platform::win32 {

// Owns a kernel HANDLE and closes it once; copying is deleted, moving hands ownership over.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : handle_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset(std::exchange(other.handle_, nullptr));
    }
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  [[nodiscard]] HANDLE Get() const { return handle_; }
  [[nodiscard]] bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h = nullptr) {
    if (Valid()) {
      ::CloseHandle(handle_);
    }
    handle_ = h;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace platform::win32
