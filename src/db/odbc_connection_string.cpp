#include "db/odbc_connection_string.h"

#include <algorithm>

#include "db/database.h"
#include "db/u16_text.h"
#include "platform/codepage.h"

namespace db {
namespace {

// What the operator reads when the connection string cannot be read.
constexpr const char* kMalformed =
    "Format of the initialization string is not valid";

// A Data Source without a port means SQL Server's standard port.
constexpr std::u16string_view kDefaultPort = u"1433";
// The newest protocol FreeTDS speaks; a server that knows only an older one answers with that one.
constexpr std::u16string_view kFreeTdsProtocol = u"7.4";

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// Keys compare without regard to case or inner blanks ("User ID" = "userid").
std::u16string NormalizedKey(std::u16string_view key) {
  std::u16string out;
  for (char16_t c : key) {
    if (!IsBlank(c)) {
      out += LowerAscii(c);
    }
  }
  return out;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) {
      return false;
    }
  }
  return true;
}

bool ContainsNoCase(std::u16string_view text, std::u16string_view part) {
  if (part.size() > text.size()) {
    return false;
  }
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (StartsWithNoCase(text.substr(i), part)) {
      return true;
    }
  }
  return false;
}

// Returns the value that ends at the next ";" (or at the end), quoted or not, and moves pos past it.
std::u16string ReadValue(std::u16string_view text, std::size_t& pos) {
  while (pos < text.size() && IsBlank(text[pos])) {
    ++pos;
  }
  if (pos < text.size() && (text[pos] == u'"' || text[pos] == u'\'')) {
    const char16_t quote = text[pos++];
    std::u16string value;
    for (;;) {
      if (pos >= text.size()) {
        throw DatabaseError(kMalformed);
      }
      if (text[pos] == quote) {
        if (pos + 1 < text.size() && text[pos + 1] == quote) {
          value += quote;
          pos += 2;
          continue;
        }
        ++pos;
        break;
      }
      value += text[pos++];
    }
    while (pos < text.size() && IsBlank(text[pos])) {
      ++pos;
    }
    if (pos < text.size() && text[pos] != u';') {
      throw DatabaseError(kMalformed);
    }
    ++pos;
    return value;
  }
  const std::size_t end = std::min(text.find(u';', pos), text.size());
  std::u16string value(Trim(text.substr(pos, end - pos)));
  pos = end + 1;
  return value;
}

// Returns the key that ends at the next single "=", and moves pos past that "=".
std::u16string ReadKey(std::u16string_view text, std::size_t& pos) {
  std::u16string key;
  for (;;) {
    if (pos >= text.size() || text[pos] == u';') {
      throw DatabaseError(kMalformed);
    }
    if (text[pos] == u'=') {
      if (pos + 1 < text.size() && text[pos + 1] == u'=') {
        key += u'=';
        pos += 2;
        continue;
      }
      ++pos;
      break;
    }
    key += text[pos++];
  }
  std::u16string trimmed(Trim(key));
  if (trimmed.empty()) {
    throw DatabaseError(kMalformed);
  }
  return trimmed;
}

std::optional<bool> ParseBool(std::u16string_view value) {
  const std::u16string v = NormalizedKey(value);
  if (v == u"true" || v == u"yes" || v == u"1") {
    return true;
  }
  if (v == u"false" || v == u"no" || v == u"0") {
    return false;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> ParseNumber(std::u16string_view value, std::uint32_t max) {
  if (value.empty() || value.size() > 9) {
    return std::nullopt;
  }
  std::uint32_t n = 0;
  for (char16_t c : value) {
    if (c < u'0' || c > u'9') {
      return std::nullopt;
    }
    n = n * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  if (n == 0 || n > max) {
    return std::nullopt;
  }
  return n;
}

// The settings of an OLE DB string that mean something to an ODBC driver; the last of repeated keys wins.
struct Settings {
  std::optional<std::u16string> password, user, database, server, application, workstation;
  std::optional<bool> encrypt, autoTranslate, trustCertificate;
  std::optional<std::uint32_t> packetSize;
};

Settings ReadSettings(std::u16string_view oleDbText) {
  Settings s;
  for (auto& pair : ParseOleDbConnectionString(oleDbText)) {
    const std::u16string key = NormalizedKey(pair.key);
    std::u16string& value = pair.value;
    if (key == u"password" || key == u"pwd") {
      s.password = std::move(value);
    } else if (key == u"userid" || key == u"uid" || key == u"user") {
      s.user = std::move(value);
    } else if (key == u"initialcatalog" || key == u"database") {
      s.database = std::move(value);
    } else if (key == u"datasource" || key == u"server" || key == u"address" || key == u"addr" ||
               key == u"networkaddress") {
      s.server = std::move(value);
    } else if (key == u"applicationname" || key == u"app") {
      s.application = std::move(value);
    } else if (key == u"workstationid" || key == u"wsid") {
      s.workstation = std::move(value);
    } else if (key == u"useencryptionfordata" || key == u"encrypt") {
      s.encrypt = ParseBool(value);
    } else if (key == u"autotranslate") {
      s.autoTranslate = ParseBool(value);
    } else if (key == u"trustservercertificate") {
      s.trustCertificate = ParseBool(value);
    } else if (key == u"packetsize") {
      s.packetSize = ParseNumber(Trim(value), 65535);
      if (!s.packetSize) {
        throw DatabaseError("Invalid value for Packet Size");
      }
    }
  }
  return s;
}

class OdbcWriter {
 public:
  explicit OdbcWriter(DriverDialect dialect) : dialect_(dialect) {}

  void Add(std::u16string_view key, std::u16string_view value) {
    Key(key);
    text_ += BraceOdbcValue(value, dialect_);
  }
  // The driver's name always in braces, read by the driver manager, which follows the ODBC rules.
  void AddDriver(std::u16string_view name) {
    Key(u"Driver");
    text_ += u'{';
    for (char16_t c : name) {
      text_ += c;
      if (c == u'}') {
        text_ += u'}';
      }
    }
    text_ += u'}';
  }
  [[nodiscard]] std::u16string Take() { return std::move(text_); }

 private:
  void Key(std::u16string_view key) {
    if (!text_.empty()) {
      text_ += u';';
    }
    text_ += key;
    text_ += u'=';
  }

  DriverDialect dialect_;
  std::u16string text_;
};

// FreeTDS takes host and port apart and knows neither "tcp:" nor "(local)".
void AddFreeTdsServer(OdbcWriter& out, std::u16string_view dataSource) {
  std::u16string_view source = Trim(dataSource);
  if (StartsWithNoCase(source, u"tcp:")) {
    source = Trim(source.substr(4));
  }
  std::u16string_view host = source;
  std::u16string_view port;
  if (const auto comma = source.rfind(u','); comma != std::u16string_view::npos) {
    host = Trim(source.substr(0, comma));
    port = Trim(source.substr(comma + 1));
    if (!ParseNumber(port, 65535)) {
      throw DatabaseError("Invalid port number in Data Source \"" + platform::Utf16ToAnsi(dataSource) +
                          "\"");
    }
  }
  std::u16string_view instance;
  if (const auto slash = host.find(u'\\'); slash != std::u16string_view::npos) {
    instance = host.substr(slash + 1);
    host = host.substr(0, slash);
  }
  const bool local = host == u"." || NormalizedKey(host) == u"(local)";
  const std::u16string hostName = local ? u"localhost" : std::u16string(host);
  if (!port.empty()) {
    out.Add(u"Server", hostName);
    out.Add(u"Port", port);
  } else if (!instance.empty()) {
    // FreeTDS asks the server's browser service for the instance's port.
    out.Add(u"Server", hostName + u"\\" + std::u16string(instance));
  } else {
    out.Add(u"Server", hostName);
    out.Add(u"Port", kDefaultPort);
  }
}

}  // namespace

std::vector<ConnectionStringPair> ParseOleDbConnectionString(std::u16string_view text) {
  std::vector<ConnectionStringPair> pairs;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (IsBlank(text[pos]) || text[pos] == u';') {
      ++pos;
      continue;
    }
    ConnectionStringPair pair;
    pair.key = ReadKey(text, pos);
    pair.value = ReadValue(text, pos);
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

std::u16string BraceOdbcValue(std::u16string_view value, DriverDialect dialect) {
  const bool surroundingBlank = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  if (value.find_first_of(u";{}=") == std::u16string_view::npos && !surroundingBlank) {
    return std::u16string(value);
  }
  if (dialect == DriverDialect::FreeTds && value.find(u"};") != std::u16string_view::npos) {
    throw DatabaseError("A value of the connection contains \"};\", which the FreeTDS driver cannot read");
  }
  std::u16string braced = u"{";
  for (char16_t c : value) {
    braced += c;
    if (c == u'}' && dialect == DriverDialect::Microsoft) {
      braced += u'}';
    }
  }
  braced += u'}';
  return braced;
}

DriverDialect DialectOfDriver(std::u16string_view driverName) {
  if (ContainsNoCase(driverName, u"freetds") || ContainsNoCase(driverName, u"tdsodbc")) {
    return DriverDialect::FreeTds;
  }
  return DriverDialect::Microsoft;
}

OdbcConnectRequest ToOdbcConnectRequest(std::u16string_view oleDbText, std::u16string_view driverName) {
  const Settings s = ReadSettings(oleDbText);
  const DriverDialect dialect = DialectOfDriver(driverName);
  // The provider's default: no encryption of the data.
  const bool encrypt = s.encrypt.value_or(false);

  OdbcWriter out(dialect);
  out.AddDriver(driverName);
  if (s.server) {
    if (dialect == DriverDialect::FreeTds) {
      AddFreeTdsServer(out, *s.server);
    } else {
      out.Add(u"Server", Trim(*s.server));
    }
  }
  if (s.database) {
    out.Add(u"Database", *s.database);
  }
  if (s.user) {
    out.Add(u"UID", *s.user);
  }
  if (s.password) {
    out.Add(u"PWD", *s.password);
  }
  if (dialect == DriverDialect::FreeTds) {
    out.Add(u"TDS_Version", kFreeTdsProtocol);
    out.Add(u"Encryption", encrypt ? u"require" : u"off");
  } else {
    out.Add(u"Encrypt", encrypt ? u"yes" : u"no");
    // Without encryption of the data the old provider never checked the server's certificate;
    // newer drivers would, whenever the server itself insists on encryption.
    if (!encrypt || s.trustCertificate.value_or(false)) {
      out.Add(u"TrustServerCertificate", u"yes");
    }
    if (s.autoTranslate) {
      out.Add(u"AutoTranslate", *s.autoTranslate ? u"yes" : u"no");
    }
  }
  if (s.application) {
    out.Add(u"APP", *s.application);
  }
  if (s.workstation) {
    out.Add(u"WSID", *s.workstation);
  }
  std::u16string text = out.Take();
  if (dialect == DriverDialect::FreeTds) {
    // FreeTDS 1.3 keeps the closing brace of a braced value that ends the string: end with ";".
    text += u';';
  }
  return OdbcConnectRequest{std::move(text), s.packetSize};
}

}  // namespace db
