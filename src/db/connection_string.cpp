#include "db/connection_string.h"

namespace db {
namespace {

// What the reader of the string (ParseOleDbConnectionString) strips from both ends of an unquoted value.
bool IsTrimmedBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string QuoteConnectionValue(const std::string& value) {
  // Unquoted, a value ends at ";", opens a quoted form with a quote character, and loses blanks at
  // its ends; a leading "=" would join the "=" before it into "==", which the reader takes as an "="
  // of the key. Inside double quotes only the doubled quote is special.
  const bool needsQuotes =
      value.find_first_of(";\"'") != std::string::npos ||
      (!value.empty() && (IsTrimmedBlank(value.front()) || IsTrimmedBlank(value.back()) || value.front() == '='));
  if (!needsQuotes) {
    return value;
  }
  std::string quoted = "\"";
  for (char c : value) {
    quoted += c;
    if (c == '"') {
      quoted += '"';
    }
  }
  quoted += '"';
  return quoted;
}

std::string BuildConnectionString(const std::string& password, const std::string& userName,
                                  const std::string& database, const std::string& server) {
  return "Provider=SQLOLEDB.1;Password=" + QuoteConnectionValue(password) + ";" + "Persist Security Info=True;" +
         "User ID=" + QuoteConnectionValue(userName) + ";" + "Initial Catalog=" + QuoteConnectionValue(database) +
         ";" + "Data Source=" + QuoteConnectionValue(server) + ";" + "Use Procedure for Prepare=1;" +
         "Auto Translate=True;" + "Packet Size=4096;" + "Use Encryption for Data=False;" +
         "Tag with column collation when possible=False";
}

}  // namespace db
