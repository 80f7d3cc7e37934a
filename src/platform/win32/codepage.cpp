#include "platform/codepage.h"

#include <windows.h>

namespace platform {

std::u16string AnsiToUtf16(std::string_view ansi) {
  if (ansi.empty()) {
    return {};
  }
  const int size = static_cast<int>(ansi.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  std::u16string wide(static_cast<std::size_t>(needed), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, reinterpret_cast<wchar_t*>(wide.data()), needed);
  return wide;
}

std::string Utf16ToAnsi(std::u16string_view wide) {
  if (wide.empty()) {
    return {};
  }
  const auto* data = reinterpret_cast<const wchar_t*>(wide.data());
  const int size = static_cast<int>(wide.size());
  const int needed = ::WideCharToMultiByte(CP_ACP, 0, data, size, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, data, size, ansi.data(), needed, nullptr, nullptr);
  return ansi;
}

}  // namespace platform
