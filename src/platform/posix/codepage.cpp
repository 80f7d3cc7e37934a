#include "platform/codepage.h"

#include <array>
#include <cstdint>

namespace platform {
namespace {

// Windows-1252 bytes 0x80-0x9F; the rest of the code page equals Latin-1. 0 marks an unassigned byte.
constexpr std::array<char16_t, 32> kHigh1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t ToWide(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) {
    const char16_t mapped = kHigh1252[c - 0x80];
    return mapped != 0 ? mapped : static_cast<char16_t>(c);
  }
  return static_cast<char16_t>(c);
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view ansi) {
  std::u16string wide;
  wide.reserve(ansi.size());
  for (char c : ansi) {
    wide += ToWide(static_cast<unsigned char>(c));
  }
  return wide;
}

std::string Utf16ToAnsi(std::u16string_view wide) {
  std::string ansi;
  ansi.reserve(wide.size());
  for (char16_t w : wide) {
    const bool unassignedHigh = w >= 0x80 && w < 0xA0 && kHigh1252[w - 0x80] == 0;
    if (w < 0x80 || (w >= 0xA0 && w < 0x100) || unassignedHigh) {
      ansi += static_cast<char>(w);
      continue;
    }
    char out = '?';
    for (std::size_t i = 0; i < kHigh1252.size(); ++i) {
      if (kHigh1252[i] == w) {
        out = static_cast<char>(0x80 + i);
        break;
      }
    }
    ansi += out;
  }
  return ansi;
}

}  // namespace platform
