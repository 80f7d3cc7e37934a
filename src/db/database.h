#pragma once
// The database access the main window holds: one connection (`ADOConnection`) and the backup query
// (`ADOQ_Bak`). Window-free and free of ODBC headers; the implementation lives in src/db/odbc/.
// Texts cross this interface in the program's 8-bit (ANSI) code page.
#include <chrono>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// What kind of failure a DatabaseError is, as far as the client can tell.
enum class FailureKind {
  other,              // the client's own trouble (no driver, a bad statement text, a closed query ...)
  serverRefused,      // the server answered and refused: login failed, unknown database, its own errors
  serverUnreachable,  // no answer: nothing listening, no route, name unknown, the login timed out
};

// Every failure of the connection or the query: the message is the server's or the driver's own text.
class DatabaseError : public std::runtime_error {
 public:
  explicit DatabaseError(const std::string& message, FailureKind kind = FailureKind::other)
      : std::runtime_error(message), kind_(kind) {}
  explicit DatabaseError(const char* message, FailureKind kind = FailureKind::other)
      : std::runtime_error(message), kind_(kind) {}

  [[nodiscard]] FailureKind Kind() const { return kind_; }
  [[nodiscard]] bool ServerRefused() const { return kind_ == FailureKind::serverRefused; }
  [[nodiscard]] bool ServerUnreachable() const { return kind_ == FailureKind::serverUnreachable; }

 private:
  FailureKind kind_;
};

// How long a login may take: the usual 15 seconds of a database connection.
inline constexpr std::chrono::seconds kLoginTimeout{15};
// How long the server may work on the backup procedure.
inline constexpr std::chrono::seconds kCreateBakFileTimeout{300};

namespace odbc {
struct ConnectionState;
struct QueryState;
}  // namespace odbc

class Connection {
 public:
  // driverName: the ODBC driver to use; empty picks the first installed of the known SQL Server drivers.
  explicit Connection(std::string driverName = {});
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Both setters apply to the next Open; they raise while the connection is open.
  void SetConnectionString(std::string_view ansiText);
  void SetDriverName(std::string_view ansiName);

  // Synchronous. Raises DatabaseError with the server's or driver's message when the login fails;
  // its Kind() tells a refusal by the server from a server that could not be reached.
  // Opening an open connection does nothing.
  void Open();
  // False once closed, and also after the driver reported the link to the server lost.
  [[nodiscard]] bool Connected() const;
  // Closes every query bound to this connection, then the connection. Closing a closed one does nothing.
  void Close();

 private:
  friend class Query;
  std::unique_ptr<odbc::ConnectionState> state_;
};

struct ParameterDefinition {
  std::string name;
  std::size_t size = 0;  // in characters; a longer value is refused, never cut
  std::string initialValue;
};

struct QueryDefinition {
  std::string statement;  // may name its parameters as :Name markers
  std::vector<ParameterDefinition> parameters;
  std::chrono::seconds commandTimeout{0};  // 0: no limit
};

// "EXECUTE CreateBakFile :DB, :ToDir" with DB (50, "QEL") and ToDir (250, "D:\1").
// The time-out is a parameter so that tests can use a short one.
QueryDefinition CreateBakFileQuery(std::chrono::seconds commandTimeout = kCreateBakFileTimeout);

class Query {
 public:
  Query(Connection& connection, QueryDefinition definition);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  // Drops the current result. Closing a closed query does nothing.
  void Close();
  // Looks the parameter up without regard to case; an unknown name or a value longer than the
  // parameter's size raises DatabaseError.
  void SetParameter(std::string_view name, std::string_view ansiText);
  // Executes the statement with every parameter bound and positions on the first row of the first
  // result set. Raises DatabaseError for every failure, the time-out included, and with
  // "CommandText does not return a result set" when the statement returned none.
  // Opening an open query does nothing.
  void Open();
  [[nodiscard]] bool Active() const;
  // Column `index` of the current row as text (a NULL gives an empty text). Raises when the query is
  // closed, the result has no row, or the column does not exist.
  [[nodiscard]] std::string FieldText(std::size_t index) const;

 private:
  std::unique_ptr<odbc::QueryState> state_;
};

}  // namespace db
