#pragma once
// The statement text of a query names its parameters as :Name markers; ODBC knows only "?" markers,
// bound by position. Values are never put into the text.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db::odbc {

struct PositionalStatement {
  std::u16string text;              // every :Name marker replaced by "?"
  std::vector<std::u16string> markers;  // the names in the order of the "?" (a repeated name repeats)
};

// A marker is ":" followed by letters, digits or "_", where the ":" does not follow a letter, digit, "_"
// or another ":". Markers inside '...' literals, "..." or [...] names and comments stay as they are.
PositionalStatement ToPositionalStatement(std::u16string_view statement);

// "EXEC[UTE] name ?, ?" becomes the ODBC call escape "{call name(?, ?)}", which drivers send as a
// remote procedure call. nullopt for any other statement.
std::optional<std::u16string> AsProcedureCall(std::u16string_view positionalText);

}  // namespace db::odbc
