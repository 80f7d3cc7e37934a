#pragma once
// Texts that are not in the system's code page (the settings dialog's Russian ones) are UTF-8 in the
// source; the wide functions show them on a Windows of any language.
#include <windows.h>

#include <string>
#include <string_view>

namespace controls::win32 {

inline std::wstring WideFromUtf8(std::string_view utf8) {
  if (utf8.empty()) {
    return {};
  }
  const int size = static_cast<int>(utf8.size());
  const int needed = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), needed);
  return wide;
}

}  // namespace controls::win32
