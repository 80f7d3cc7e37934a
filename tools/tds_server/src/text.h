#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dw::tds {

// The server keeps text as UTF-8 and speaks UCS-2/UTF-16 on the wire. Broken input (a lone
// surrogate, an invalid UTF-8 byte) becomes U+FFFD rather than an error: names are only compared
// and logged, never trusted.
std::u16string utf8_to_utf16(std::string_view text);
std::string utf16_to_utf8(std::u16string_view text);
// Single-byte text of CHAR/VARCHAR parameters, read as Latin-1.
std::string latin1_to_utf8(std::string_view text);

// Case-insensitive comparison in the way of a "CI" SQL Server collation (Unicode lower case).
std::string fold_case(std::string_view text);
bool equals_ignoring_case(std::string_view a, std::string_view b);

// One-line, bounded rendering for the request log: control characters escaped, long text cut.
std::string loggable(std::string_view text, std::size_t max_chars = 160);

}  // namespace dw::tds
