#pragma once
// Small tests on UTF-16 text that ODBC names, keywords and connection strings need: ASCII case
// only, since those names are ASCII in every driver.
#include <algorithm>
#include <string_view>

namespace db {

inline char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

inline bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return LowerAscii(x) == LowerAscii(y); });
}

inline bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace db
