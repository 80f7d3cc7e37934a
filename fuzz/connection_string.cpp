// The connection strings: the values the program puts into its OLE DB string must come out of the
// reader exactly; any string the reader accepts must read the same once its pairs are written out
// again; and the ODBC string made for either kind of driver must hand the driver the same user,
// password and database, read by that driver's own rules.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "db/connection_string.h"
#include "db/database.h"
#include "db/odbc_connection_string.h"
#include "platform/codepage.h"
#include "support/fuzz_check.h"

namespace {

using fuzz::Require;

std::optional<std::u16string> Value(const std::vector<db::ConnectionStringPair>& pairs, std::u16string_view key) {
  std::optional<std::u16string> found;
  for (const auto& pair : pairs) {
    if (pair.key == key) {
      found = pair.value;
    }
  }
  return found;
}

// The driver's reading of an ODBC string: KEY=value;... where a value opened by "{" runs to the
// closing "}" ("}}" standing for "}" with Microsoft's drivers, the first "};" or the end with FreeTDS).
std::map<std::u16string, std::u16string> ReadOdbc(std::u16string_view text, db::DriverDialect dialect) {
  std::map<std::u16string, std::u16string> pairs;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto equals = text.find(u'=', pos);
    Require(equals != std::u16string_view::npos, "every ODBC pair has a key and a value");
    const std::u16string key(text.substr(pos, equals - pos));
    pos = equals + 1;
    std::u16string value;
    if (pos < text.size() && text[pos] == u'{') {
      ++pos;
      if (dialect == db::DriverDialect::FreeTds) {
        auto close = text.find(u"};", pos);
        if (close == std::u16string_view::npos) {
          Require(!text.empty() && text.back() == u'}', "a braced value is closed");
          close = text.size() - 1;
        }
        value = text.substr(pos, close - pos);
        pos = close + 2;
      } else {
        for (;; ++pos) {
          Require(pos < text.size(), "a braced value is closed");
          if (text[pos] == u'}') {
            if (pos + 1 < text.size() && text[pos + 1] == u'}') {
              value += u'}';
              ++pos;
              continue;
            }
            break;
          }
          value += text[pos];
        }
        pos += 2;  // the brace and the ";" after it
      }
    } else {
      const auto end = std::min(text.find(u';', pos), text.size());
      value = text.substr(pos, end - pos);
      pos = end + 1;
    }
    Require(pairs.emplace(key, value).second, "the ODBC string names each key once");
  }
  return pairs;
}

std::u16string Wide(const std::string& text) { return platform::AnsiToUtf16(text); }

void CheckOdbc(const std::string& ole, const std::string& password, const std::string& user,
               const std::string& database, const char* driver) {
  const auto dialect = db::DialectOfDriver(Wide(driver));
  db::OdbcConnectRequest request;
  try {
    request = db::ToOdbcConnectRequest(Wide(ole), Wide(driver));
  } catch (const db::DatabaseError&) {
    // Allowed only where the driver cannot be told the values: FreeTDS and "};", or a bad port.
    Require(dialect == db::DriverDialect::FreeTds, "a Microsoft driver's string can always be written");
    return;
  }
  const auto pairs = ReadOdbc(request.connectionString, dialect);
  Require(pairs.at(u"Driver") == Wide(driver), "the driver is named as chosen");
  Require(pairs.at(u"UID") == Wide(user) && pairs.at(u"PWD") == Wide(password) &&
              pairs.at(u"Database") == Wide(database),
          "the driver reads the same user, password and database");
  Require(request.packetSize == 4096u, "the packet size carries over");
}

void CheckReaderRoundTrip(const std::string& text) {
  std::vector<db::ConnectionStringPair> pairs;
  try {
    pairs = db::ParseOleDbConnectionString(Wide(text));
  } catch (const db::DatabaseError&) {
    return;
  }
  std::string rebuilt;
  for (const auto& pair : pairs) {
    Require(!pair.key.empty(), "a key is never empty");
    for (const char c : platform::Utf16ToAnsi(pair.key)) {
      rebuilt += c;
      if (c == '=') {
        rebuilt += '=';
      }
    }
    rebuilt += "=" + db::QuoteConnectionValue(platform::Utf16ToAnsi(pair.value)) + ";";
  }
  const auto again = db::ParseOleDbConnectionString(Wide(rebuilt));
  Require(again.size() == pairs.size(), "pairs written out read back as many");
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    Require(again[i].key == pairs[i].key && again[i].value == pairs[i].value, "pairs written out read back the same");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string password = input.ConsumeRandomLengthString(64);
  const std::string user = input.ConsumeRandomLengthString(64);
  const std::string database = input.ConsumeRandomLengthString(64);
  const std::string server = input.ConsumeRandomLengthString(64);

  const std::string ole = db::BuildConnectionString(password, user, database, server);
  const auto pairs = db::ParseOleDbConnectionString(Wide(ole));
  Require(Value(pairs, u"Password") == Wide(password) && Value(pairs, u"User ID") == Wide(user) &&
              Value(pairs, u"Initial Catalog") == Wide(database) && Value(pairs, u"Data Source") == Wide(server),
          "every value of the program's string reads back exactly");
  Require(pairs.size() == 11, "no value adds or hides a key");

  CheckOdbc(ole, password, user, database, "ODBC Driver 18 for SQL Server");
  CheckOdbc(ole, password, user, database, "FreeTDS");
  CheckReaderRoundTrip(input.ConsumeRemainingBytesAsString());
  return 0;
}
