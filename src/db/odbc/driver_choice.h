#pragma once
// Which ODBC driver to try when connecting. Pure choice; the enumeration itself is in odbc_api.cpp.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db::odbc {

// The SQL Server drivers tried when none is configured, best first.
inline constexpr std::array<std::u16string_view, 5> kKnownDrivers = {
    u"ODBC Driver 18 for SQL Server", u"ODBC Driver 17 for SQL Server", u"SQL Server Native Client 11.0",
    u"SQL Server", u"FreeTDS"};

// A configured name (surrounding blanks and braces removed) is the only candidate. Otherwise the known
// drivers in their order, keeping those the driver manager lists as installed (names compared without
// regard to case, the installed spelling kept). `installed` is nullopt or empty when the list could not
// be read; then every known driver is a candidate and connecting passes over the missing ones.
std::vector<std::u16string> CandidateDrivers(std::u16string_view configured,
                                             const std::optional<std::vector<std::u16string>>& installed);

}  // namespace db::odbc
