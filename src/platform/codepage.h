#pragma once
// Conversions between the system's 8-bit (ANSI) code page, in which the program keeps its texts,
// and UTF-16, which the wide Windows and ODBC functions take.
// On Windows the code page is the system's; the POSIX build uses Windows-1252.
#include <string>
#include <string_view>

namespace platform {

std::u16string AnsiToUtf16(std::string_view ansi);
// Characters the code page cannot hold become '?'.
std::string Utf16ToAnsi(std::u16string_view wide);

}  // namespace platform
