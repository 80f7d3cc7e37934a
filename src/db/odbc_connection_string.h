#pragma once
// Turns the program's OLE DB style connection string ("Provider=SQLOLEDB.1;Password=...;User ID=...")
// into the connection string of an ODBC driver. Pure text work, no ODBC headers.
//
// Keys that carry over: Password, User ID, Initial Catalog, Data Source ("host", "host,port",
// "host\instance", "tcp:host,port", "(local)"), Packet Size, Use Encryption for Data, Auto Translate,
// Trust Server Certificate, Application Name, Workstation ID. Every other key (Provider,
// Persist Security Info, Use Procedure for Prepare, Tag with column collation when possible, ...) has
// no ODBC meaning and is dropped.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {

struct ConnectionStringPair {
  std::u16string key;  // as written, surrounding blanks removed
  std::u16string value;
};

// OLE DB rules: pairs separated by ";", blanks around keys and values ignored, "==" in a key stands
// for "=", a value may be enclosed in double or single quotes with the enclosing quote doubled inside
// (the quoting of db::QuoteConnectionValue).
// Raises DatabaseError for a pair without "=", an empty key or an unclosed quote.
std::vector<ConnectionStringPair> ParseOleDbConnectionString(std::u16string_view text);

enum class DriverDialect { FreeTds, Microsoft };

// FreeTDS when the name mentions FreeTDS or its library (tdsodbc); every other driver is taken to
// understand Microsoft's keywords.
DriverDialect DialectOfDriver(std::u16string_view driverName);

// Encloses an ODBC value in {...} when it contains ";", "{", "}", "=" or surrounding blanks; other
// values stay as they are. Inside the braces Microsoft's drivers read "}}" as one "}". FreeTDS 1.3
// reads everything up to the first "};" as it is, so for it "}" stays single and a value holding
// "};" cannot be written: that raises DatabaseError.
std::u16string BraceOdbcValue(std::u16string_view value, DriverDialect dialect);

struct OdbcConnectRequest {
  std::u16string connectionString;  // for SQLDriverConnect, starting with Driver={...}
  std::optional<std::uint32_t> packetSize;  // set as a connection attribute before connecting
};

// Raises DatabaseError for malformed input (see ParseOleDbConnectionString) and for a port in
// Data Source or a Packet Size that is not a number.
OdbcConnectRequest ToOdbcConnectRequest(std::u16string_view oleDbText, std::u16string_view driverName);

}  // namespace db
