#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "result_set.h"
#include "server_message.h"
#include "sql_statement.h"

namespace dw::tds {

struct SelectContext {
    std::uint16_t spid = 0;
    std::string user;
    std::string database;
};

// One row for a SELECT of constants, @@variables (@@SPID, @@VERSION, @@SERVERNAME, @@TRANCOUNT ...)
// and built-in functions without arguments (DB_NAME(), SUSER_SNAME() ...), which client drivers ask
// for while connecting. Anything else gives SQL Server's error for it.
std::variant<ResultSet, ServerMessage> evaluate_select(const SelectStatement& select, const SelectContext& context);

}  // namespace dw::tds
