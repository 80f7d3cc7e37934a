#include <algorithm>

#include "db/odbc/driver_choice.h"
#include "db/odbc/states.h"
#include "db/odbc_connection_string.h"
#include "platform/codepage.h"

namespace db {
namespace odbc {
namespace {

void SetUnsignedAttribute(const ConnectionHandle& connection, SQLINTEGER attribute, SQLULEN value) {
  // Drivers that do not know an attribute keep their default; that is no reason to refuse the login.
  ::SQLSetConnectAttrW(connection.Get(), attribute, reinterpret_cast<SQLPOINTER>(value), SQL_IS_UINTEGER);
}

bool IsConfigured(std::u16string_view driverName) {
  return std::any_of(driverName.begin(), driverName.end(), [](char16_t c) { return c != u' ' && c != u'\t'; });
}

std::string KnownDriverList() {
  std::string list;
  for (std::u16string_view name : kKnownDrivers) {
    list += list.empty() ? "\"" : ", \"";
    list += platform::Utf16ToAnsi(name) + "\"";
  }
  return list;
}

}  // namespace

void ConnectionState::Close() {
  for (QueryState* query : queries) {
    query->Close();
  }
  connection.Reset();
}

}  // namespace odbc

Connection::Connection(std::string driverName) : state_(std::make_unique<odbc::ConnectionState>()) {
  state_->driverName = platform::AnsiToUtf16(driverName);
}

Connection::~Connection() {
  state_->Close();
  for (odbc::QueryState* query : state_->queries) {
    query->connection = nullptr;
  }
}

void Connection::SetConnectionString(std::string_view ansiText) {
  if (Connected()) {
    throw DatabaseError("Operation is not allowed when the object is open.");
  }
  state_->oleDbText = platform::AnsiToUtf16(ansiText);
}

void Connection::SetDriverName(std::string_view ansiName) {
  if (Connected()) {
    throw DatabaseError("Operation is not allowed when the object is open.");
  }
  state_->driverName = platform::AnsiToUtf16(ansiName);
}

void Connection::Open() {
  odbc::ConnectionState& s = *state_;
  if (s.connection.Valid()) {
    return;
  }
  if (!s.environment.Valid()) {
    s.environment = odbc::AllocateEnvironment();
  }
  const bool configured = odbc::IsConfigured(s.driverName);
  const auto candidates = odbc::CandidateDrivers(
      s.driverName, configured ? std::nullopt : odbc::InstalledDrivers(s.environment));
  for (const std::u16string& driver : candidates) {
    const OdbcConnectRequest request = ToOdbcConnectRequest(s.oleDbText, driver);
    odbc::ConnectionHandle connection = odbc::AllocateConnection(s.environment);
    odbc::SetUnsignedAttribute(connection, SQL_ATTR_LOGIN_TIMEOUT, static_cast<SQLULEN>(kLoginTimeout.count()));
    if (request.packetSize) {
      odbc::SetUnsignedAttribute(connection, SQL_ATTR_PACKET_SIZE, *request.packetSize);
    }
    std::vector<SQLWCHAR> text = odbc::ToSqlText(request.connectionString);
    const SQLRETURN rc = ::SQLDriverConnectW(connection.Get(), nullptr, text.data(), SQL_NTS, nullptr, 0, nullptr,
                                             SQL_DRIVER_NOPROMPT);
    if (odbc::Succeeded(rc)) {
      s.connection = std::move(connection);
      return;
    }
    const auto records = odbc::ReadDiagnostics(SQL_HANDLE_DBC, connection.Get());
    if (odbc::DriverMissing(records)) {
      if (configured) {
        throw DatabaseError("The ODBC driver \"" + platform::Utf16ToAnsi(driver) + "\" is not installed");
      }
      continue;
    }
    throw DatabaseError(odbc::ComposeErrorMessage(records), odbc::ClassifyFailure(records));
  }
  throw DatabaseError("No ODBC driver for SQL Server is installed (looked for " + odbc::KnownDriverList() +
                      "); name one with the key \"Driver\" in section \"Connect\" of Connect.ini");
}

bool Connection::Connected() const { return state_->connection.Valid(); }

void Connection::Close() { state_->Close(); }

}  // namespace db
