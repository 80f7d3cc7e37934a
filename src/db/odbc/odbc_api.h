#pragma once
// The ODBC calls the database layer makes, wrapped: owners for the handles, wide-text conversion and
// the reading of diagnostics. Only the wide (W) functions are used: Wine's odbc32 implements no others.
#if defined(_WIN32)
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/odbc/diagnostics_text.h"

namespace db::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide text must be UTF-16");

// Owns one ODBC handle of the given type and frees it once; a connection handle is disconnected first.
template <SQLSMALLINT Type>
class Handle {
 public:
  Handle() = default;
  explicit Handle(SQLHANDLE h) : handle_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~Handle() { Reset(); }

  [[nodiscard]] SQLHANDLE Get() const { return handle_; }
  [[nodiscard]] bool Valid() const { return handle_ != nullptr; }
  void Reset() {
    if (handle_ == nullptr) {
      return;
    }
    if constexpr (Type == SQL_HANDLE_DBC) {
      // Refused harmlessly (08003) when the handle never connected.
      ::SQLDisconnect(handle_);
    }
    ::SQLFreeHandle(Type, handle_);
    handle_ = nullptr;
  }

 private:
  SQLHANDLE handle_ = nullptr;
};

using EnvironmentHandle = Handle<SQL_HANDLE_ENV>;
using ConnectionHandle = Handle<SQL_HANDLE_DBC>;
using StatementHandle = Handle<SQL_HANDLE_STMT>;

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// Null-terminated wide text for ODBC, and back.
std::vector<SQLWCHAR> ToSqlText(std::u16string_view text);
std::u16string FromSqlText(const SQLWCHAR* text, std::size_t length);

std::vector<DiagnosticRecord> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// Raises DatabaseError with the composed message of the handle's diagnostics.
[[noreturn]] void ThrowDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// An ODBC 3 environment; raises DatabaseError when the driver manager refuses one.
EnvironmentHandle AllocateEnvironment();
// A child handle of `parent`; raises DatabaseError with the parent's diagnostics when refused.
ConnectionHandle AllocateConnection(const EnvironmentHandle& environment);
StatementHandle AllocateStatement(const ConnectionHandle& connection);

// The driver names the driver manager lists; nullopt when it cannot list them.
std::optional<std::vector<std::u16string>> InstalledDrivers(const EnvironmentHandle& environment);

// Reads a column of the current row as wide text, in pieces for long values; nullopt for NULL.
std::optional<std::u16string> ReadTextColumn(const StatementHandle& statement, SQLUSMALLINT column);

}  // namespace db::odbc
