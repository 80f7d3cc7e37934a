#include "db/connection_string.h"

namespace db {

std::string QuoteConnectionValue(const std::string& value) {
  const bool needsQuotes = value.find_first_of(";\"'") != std::string::npos ||
                           (!value.empty() && (value.front() == ' ' || value.back() == ' '));
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
