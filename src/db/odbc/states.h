#pragma once
// What a db::Connection and a db::Query hold behind their interfaces.
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/odbc/odbc_api.h"
#include "db/odbc/statement_text.h"

namespace db::odbc {

struct QueryState;

struct ConnectionState {
  std::u16string oleDbText;
  std::u16string driverName;  // empty: choose among the known drivers
  EnvironmentHandle environment;
  ConnectionHandle connection;  // valid exactly while open
  std::vector<QueryState*> queries;  // the queries bound to this connection, closed with it

  void Close();
};

struct QueryState {
  ConnectionState* connection = nullptr;  // null once the connection object is gone
  QueryDefinition definition;
  std::u16string odbcText;  // the statement as sent: positional markers, maybe as a call escape
  std::vector<std::u16string> markers;  // parameter name of each "?"
  std::vector<std::u16string> values;  // one per parameter definition
  bool active = false;
  // The first row of the result, each column as text (nullopt for NULL); nullopt when there was no row.
  std::optional<std::vector<std::optional<std::u16string>>> row;

  void Close() {
    active = false;
    row.reset();
  }
};

}  // namespace db::odbc
