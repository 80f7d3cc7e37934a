#include "platform/system_info.h"

#include <windows.h>

#include <array>
#include <vector>

namespace platform {

std::string ComputerName() {
  std::array<char, 101> buffer{};
  DWORD size = static_cast<DWORD>(buffer.size());
  if (!::GetComputerNameA(buffer.data(), &size)) {
    return {};
  }
  return std::string(buffer.data(), size);
}

std::string ProgramPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      return {};
    }
    if (n < buffer.size()) {
      return std::string(buffer.data(), n);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string CurrentDirectory() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) {
      return {};
    }
    if (n < buffer.size()) {
      return std::string(buffer.data(), n);
    }
    buffer.resize(n);  // n is the size needed, its terminating zero included
  }
}

std::string TimeSeparator() {
  std::array<char, 8> buffer{};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, buffer.data(), static_cast<int>(buffer.size())) <= 1) {
    return ":";
  }
  return buffer.data();
}

}  // namespace platform
