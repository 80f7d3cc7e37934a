#include "db/odbc/odbc_api.h"

#include <algorithm>

#include "db/database.h"

namespace db::odbc {

std::vector<SQLWCHAR> ToSqlText(std::u16string_view text) {
  std::vector<SQLWCHAR> out(text.begin(), text.end());
  out.push_back(0);
  return out;
}

std::u16string FromSqlText(const SQLWCHAR* text, std::size_t length) {
  std::u16string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    out += static_cast<char16_t>(text[i]);
  }
  return out;
}

std::vector<DiagnosticRecord> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  // Enough for any real cascade of messages; a misbehaving driver cannot keep us reading forever.
  constexpr SQLSMALLINT kMaxRecords = 64;
  std::vector<DiagnosticRecord> records;
  if (handle == SQL_NULL_HANDLE) {
    return records;
  }
  for (SQLSMALLINT number = 1; number <= kMaxRecords; ++number) {
    SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    std::vector<SQLWCHAR> message(SQL_MAX_MESSAGE_LENGTH + 1);
    SQLSMALLINT length = 0;
    SQLRETURN rc = ::SQLGetDiagRecW(handleType, handle, number, state, &native, message.data(),
                                    static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<std::size_t>(length) + 1, 0);
      rc = ::SQLGetDiagRecW(handleType, handle, number, state, &native, message.data(),
                            static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!Succeeded(rc)) {
      break;
    }
    const std::size_t used = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)),
                                                   message.size() - 1);
    records.push_back(DiagnosticRecord{FromSqlText(state, SQL_SQLSTATE_SIZE), static_cast<std::int32_t>(native),
                                       FromSqlText(message.data(), used)});
  }
  return records;
}

void ThrowDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  const auto records = ReadDiagnostics(handleType, handle);
  throw DatabaseError(ComposeErrorMessage(records), ClassifyFailure(records));
}

EnvironmentHandle AllocateEnvironment() {
  SQLHANDLE raw = SQL_NULL_HANDLE;
  if (!Succeeded(::SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &raw))) {
    throw DatabaseError("The ODBC driver manager could not be started");
  }
  EnvironmentHandle environment(raw);
  const SQLRETURN rc = ::SQLSetEnvAttr(raw, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!Succeeded(rc)) {
    ThrowDiagnostics(SQL_HANDLE_ENV, raw);
  }
  return environment;
}

ConnectionHandle AllocateConnection(const EnvironmentHandle& environment) {
  SQLHANDLE raw = SQL_NULL_HANDLE;
  if (!Succeeded(::SQLAllocHandle(SQL_HANDLE_DBC, environment.Get(), &raw))) {
    ThrowDiagnostics(SQL_HANDLE_ENV, environment.Get());
  }
  return ConnectionHandle(raw);
}

StatementHandle AllocateStatement(const ConnectionHandle& connection) {
  SQLHANDLE raw = SQL_NULL_HANDLE;
  if (!Succeeded(::SQLAllocHandle(SQL_HANDLE_STMT, connection.Get(), &raw))) {
    ThrowDiagnostics(SQL_HANDLE_DBC, connection.Get());
  }
  return StatementHandle(raw);
}

std::optional<std::vector<std::u16string>> InstalledDrivers(const EnvironmentHandle& environment) {
  // A driver manager lists a few dozen at most; the bound keeps a broken one from looping.
  constexpr int kMaxDrivers = 256;
  std::vector<std::u16string> names;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (int i = 0; i < kMaxDrivers; ++i) {
    SQLWCHAR name[512] = {};
    SQLWCHAR attributes[2048] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    const SQLRETURN rc = ::SQLDriversW(environment.Get(), direction, name, 512, &nameLength, attributes, 2048,
                                       &attributesLength);
    if (rc == SQL_NO_DATA) {
      return names;
    }
    if (!Succeeded(rc)) {
      return std::nullopt;
    }
    const std::size_t used = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(nameLength, 0)), 511);
    names.push_back(FromSqlText(name, used));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

std::optional<std::u16string> ReadTextColumn(const StatementHandle& statement, SQLUSMALLINT column) {
  constexpr std::size_t kChunk = 1024;  // characters per call, the terminator included
  std::u16string text;
  std::vector<SQLWCHAR> buffer(kChunk);
  const auto bufferBytes = static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR));
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc =
        ::SQLGetData(statement.Get(), column, SQL_C_WCHAR, buffer.data(), bufferBytes, &indicator);
    if (rc == SQL_NO_DATA) {
      return text;  // every piece has been read
    }
    if (!Succeeded(rc)) {
      ThrowDiagnostics(SQL_HANDLE_STMT, statement.Get());
    }
    if (indicator == SQL_NULL_DATA) {
      return std::nullopt;
    }
    // A piece that did not fit fills the buffer but for the terminator; the last piece tells its length.
    std::size_t characters = kChunk - 1;
    if (indicator != SQL_NO_TOTAL && indicator >= 0 &&
        static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) < characters) {
      characters = static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
    }
    text += FromSqlText(buffer.data(), characters);
    if (rc == SQL_SUCCESS) {
      return text;
    }
  }
}

}  // namespace db::odbc
