#include <algorithm>

#include "db/odbc/states.h"
#include "db/u16_text.h"
#include "platform/codepage.h"

namespace db {
namespace odbc {
namespace {

constexpr const char* kNoResultSet = "CommandText does not return a result set";
constexpr const char* kClosed = "Operation is not allowed when the object is closed.";
// Enough for any procedure that reports row counts before its result; bounds a misbehaving driver.
constexpr int kMaxResultsSkipped = 10000;

std::size_t FindParameter(const QueryDefinition& definition, std::u16string_view name) {
  for (std::size_t i = 0; i < definition.parameters.size(); ++i) {
    if (EqualNoCase(platform::AnsiToUtf16(definition.parameters[i].name), name)) {
      return i;
    }
  }
  throw DatabaseError("Parameter " + platform::Utf16ToAnsi(name) + " not found");
}

// A failure on the statement; remembers whether the driver lost the server on the way.
struct StatementFailure {
  std::string message;
  bool linkLost = false;
};

[[noreturn]] void FailStatement(const StatementHandle& statement) {
  const auto records = ReadDiagnostics(SQL_HANDLE_STMT, statement.Get());
  throw StatementFailure{ComposeErrorMessage(records), LinkLost(records)};
}

bool ConnectionDead(const ConnectionHandle& connection) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  const SQLRETURN rc =
      ::SQLGetConnectAttrW(connection.Get(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
  return Succeeded(rc) && dead == SQL_CD_TRUE;
}

// Moves to the first result that has columns; false when the statement produced none.
bool FindResultSet(const StatementHandle& statement, SQLRETURN rc, SQLSMALLINT& columns) {
  for (int skipped = 0; skipped < kMaxResultsSkipped; ++skipped) {
    if (!Succeeded(rc) && rc != SQL_NO_DATA) {
      FailStatement(statement);
    }
    // SQL_NO_DATA from the execution itself: nothing to report yet, but more results may follow.
    if (rc != SQL_NO_DATA) {
      columns = 0;
      if (!Succeeded(::SQLNumResultCols(statement.Get(), &columns))) {
        FailStatement(statement);
      }
      if (columns > 0) {
        return true;
      }
    }
    rc = ::SQLMoreResults(statement.Get());
    if (rc == SQL_NO_DATA) {
      return false;
    }
  }
  return false;
}

std::optional<std::vector<std::optional<std::u16string>>> ReadFirstRow(const StatementHandle& statement,
                                                                      SQLSMALLINT columns) {
  const SQLRETURN rc = ::SQLFetch(statement.Get());
  if (rc == SQL_NO_DATA) {
    return std::nullopt;
  }
  if (!Succeeded(rc)) {
    FailStatement(statement);
  }
  std::vector<std::optional<std::u16string>> row;
  for (SQLSMALLINT column = 1; column <= columns; ++column) {
    try {
      row.push_back(ReadTextColumn(statement, static_cast<SQLUSMALLINT>(column)));
    } catch (const DatabaseError& e) {
      throw StatementFailure{e.what(), false};
    }
  }
  return row;
}

void Execute(QueryState& q, const StatementHandle& statement) {
  if (q.definition.commandTimeout.count() > 0) {
    // Both FreeTDS and Microsoft's drivers honour it; the driver cancels the statement when it passes.
    ::SQLSetStmtAttrW(statement.Get(), SQL_ATTR_QUERY_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(q.definition.commandTimeout.count())),
                      SQL_IS_UINTEGER);
  }
  // The buffers stay in place until the statement has run: the driver reads them at execution.
  std::vector<std::vector<SQLWCHAR>> buffers;
  std::vector<SQLLEN> indicators(q.markers.size(), SQL_NTS);
  buffers.reserve(q.markers.size());
  for (std::size_t i = 0; i < q.markers.size(); ++i) {
    const std::size_t index = FindParameter(q.definition, q.markers[i]);
    buffers.push_back(ToSqlText(q.values[index]));
    const auto size = static_cast<SQLULEN>(std::max<std::size_t>(q.definition.parameters[index].size, 1));
    const SQLRETURN rc = ::SQLBindParameter(statement.Get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                            SQL_C_WCHAR, SQL_WVARCHAR, size, 0, buffers.back().data(),
                                            static_cast<SQLLEN>(buffers.back().size() * sizeof(SQLWCHAR)),
                                            &indicators[i]);
    if (!Succeeded(rc)) {
      FailStatement(statement);
    }
  }
  std::vector<SQLWCHAR> text = ToSqlText(q.odbcText);
  const SQLRETURN rc = ::SQLExecDirectW(statement.Get(), text.data(), SQL_NTS);
  SQLSMALLINT columns = 0;
  if (!FindResultSet(statement, rc, columns)) {
    throw DatabaseError(kNoResultSet);
  }
  q.row = ReadFirstRow(statement, columns);
}

}  // namespace
}  // namespace odbc

QueryDefinition CreateBakFileQuery(std::chrono::seconds commandTimeout) {
  return QueryDefinition{"EXECUTE CreateBakFile :DB, :ToDir",
                         {ParameterDefinition{"DB", 50, "QEL"}, ParameterDefinition{"ToDir", 250, "D:\\1"}},
                         commandTimeout};
}

Query::Query(Connection& connection, QueryDefinition definition) : state_(std::make_unique<odbc::QueryState>()) {
  odbc::QueryState& q = *state_;
  q.definition = std::move(definition);
  const odbc::PositionalStatement positional =
      odbc::ToPositionalStatement(platform::AnsiToUtf16(q.definition.statement));
  q.odbcText = odbc::AsProcedureCall(positional.text).value_or(positional.text);
  q.markers = positional.markers;
  for (const auto& parameter : q.definition.parameters) {
    q.values.push_back(platform::AnsiToUtf16(parameter.initialValue));
  }
  q.connection = connection.state_.get();
  q.connection->queries.push_back(&q);
}

Query::~Query() {
  if (state_->connection != nullptr) {
    auto& queries = state_->connection->queries;
    queries.erase(std::remove(queries.begin(), queries.end(), state_.get()), queries.end());
  }
}

void Query::Close() { state_->Close(); }

void Query::SetParameter(std::string_view name, std::string_view ansiText) {
  odbc::QueryState& q = *state_;
  const std::size_t index = odbc::FindParameter(q.definition, platform::AnsiToUtf16(name));
  std::u16string value = platform::AnsiToUtf16(ansiText);
  const ParameterDefinition& parameter = q.definition.parameters[index];
  // A cut value would name another database or directory: refuse it instead.
  if (value.size() > parameter.size) {
    throw DatabaseError("The value of parameter " + parameter.name + " has " + std::to_string(value.size()) +
                        " characters, more than the " + std::to_string(parameter.size) + " it can take");
  }
  q.values[index] = std::move(value);
}

void Query::Open() {
  odbc::QueryState& q = *state_;
  if (q.active) {
    return;
  }
  if (q.connection == nullptr || !q.connection->connection.Valid()) {
    throw DatabaseError(odbc::kClosed);
  }
  odbc::ConnectionState& c = *q.connection;
  odbc::StatementHandle statement = odbc::AllocateStatement(c.connection);
  try {
    odbc::Execute(q, statement);
  } catch (const odbc::StatementFailure& failure) {
    statement.Reset();
    // A connection that lost its server is closed, so that the next run connects afresh.
    if (failure.linkLost || odbc::ConnectionDead(c.connection)) {
      c.Close();
    }
    throw DatabaseError(failure.message);
  }
  // The row is kept; the statement and whatever else the server sent are let go now.
  q.active = true;
}

bool Query::Active() const { return state_->active; }

std::string Query::FieldText(std::size_t index) const {
  const odbc::QueryState& q = *state_;
  if (!q.active) {
    throw DatabaseError(odbc::kClosed);
  }
  if (!q.row) {
    throw DatabaseError(
        "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
        "current record.");
  }
  if (index >= q.row->size()) {
    throw DatabaseError("Item cannot be found in the collection corresponding to the requested name or ordinal.");
  }
  const auto& value = (*q.row)[index];
  return value ? platform::Utf16ToAnsi(*value) : std::string();
}

}  // namespace db
