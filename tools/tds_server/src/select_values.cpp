#include "select_values.h"

#include <charconv>
#include <climits>
#include <optional>

#include "server_identity.h"
#include "sql_lexer.h"

namespace dw::tds {
namespace {

struct Value {
    ColumnKind kind;
    Cell cell;
};

std::optional<Value> variable_value(const std::string& name, const SelectContext& context)
{
    const auto is = [&](std::string_view upper) { return same_keyword(name, upper); };
    if (is("@@SPID")) {
        return Value{ColumnKind::Int, Cell{static_cast<std::int32_t>(context.spid)}};
    }
    if (is("@@VERSION")) {
        return Value{ColumnKind::NVarChar, Cell{std::string(kVersionText)}};
    }
    if (is("@@SERVERNAME")) {
        return Value{ColumnKind::NVarChar, Cell{std::string(kServerName)}};
    }
    if (is("@@SERVICENAME")) {
        return Value{ColumnKind::NVarChar, Cell{std::string("MSSQLSERVER")}};
    }
    if (is("@@LANGUAGE")) {
        return Value{ColumnKind::NVarChar, Cell{std::string("us_english")}};
    }
    if (is("@@MICROSOFTVERSION")) {
        const std::int32_t version = (kProductVersion[0] << 24) | (kProductVersion[1] << 16) |
                                     (kProductVersion[2] << 8) | kProductVersion[3];
        return Value{ColumnKind::Int, Cell{version}};
    }
    if (is("@@TRANCOUNT") || is("@@ERROR") || is("@@ROWCOUNT") || is("@@OPTIONS")) {
        return Value{ColumnKind::Int, Cell{0}};
    }
    if (is("@@TEXTSIZE")) {
        return Value{ColumnKind::Int, Cell{INT_MAX}};
    }
    if (is("@@MAX_PRECISION")) {
        return Value{ColumnKind::Int, Cell{38}};
    }
    if (is("@@DATEFIRST")) {
        return Value{ColumnKind::Int, Cell{7}};
    }
    if (is("@@LOCK_TIMEOUT")) {
        return Value{ColumnKind::Int, Cell{-1}};
    }
    if (is("@@IDENTITY")) {
        return Value{ColumnKind::Int, Cell{}};
    }
    return std::nullopt;
}

std::optional<Value> function_value(const std::string& name, const SelectContext& context)
{
    const auto is = [&](std::string_view upper) { return same_keyword(name, upper); };
    if (is("DB_NAME")) {
        return Value{ColumnKind::NVarChar, Cell{context.database}};
    }
    if (is("SUSER_SNAME") || is("SUSER_NAME") || is("SYSTEM_USER") || is("ORIGINAL_LOGIN")) {
        return Value{ColumnKind::NVarChar, Cell{context.user}};
    }
    if (is("USER_NAME") || is("CURRENT_USER") || is("SESSION_USER")) {
        return Value{ColumnKind::NVarChar, Cell{std::string("dbo")}};
    }
    if (is("SCHEMA_NAME")) {
        return Value{ColumnKind::NVarChar, Cell{std::string("dbo")}};
    }
    if (is("HOST_NAME")) {
        return Value{ColumnKind::NVarChar, Cell{std::string("localhost")}};
    }
    return std::nullopt;
}

Value number_value(const std::string& text)
{
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc{} && end == text.data() + text.size()) {
        return Value{ColumnKind::Int, Cell{number}};
    }
    return Value{ColumnKind::NVarChar, Cell{text}};  // decimals and big numbers: shown as written
}

}  // namespace

std::variant<ResultSet, ServerMessage> evaluate_select(const SelectStatement& select, const SelectContext& context)
{
    ResultSet result;
    std::vector<Cell> row;
    for (const auto& item : select.items) {
        std::optional<Value> value;
        switch (item.kind) {
        case SelectItem::Kind::Variable:
            value = variable_value(item.text, context);
            if (!value) {
                return ServerMessage{137, 2, 15, "Must declare the scalar variable \"" + item.text + "\".", {}, 1};
            }
            break;
        case SelectItem::Kind::Function:
            value = function_value(item.text, context);
            if (!value) {
                return ServerMessage{195, 10, 15, "'" + item.text + "' is not a recognized built-in function name.",
                                     {}, 1};
            }
            break;
        case SelectItem::Kind::String:
            value = Value{ColumnKind::NVarChar, Cell{item.text}};
            break;
        case SelectItem::Kind::Number:
            value = number_value(item.text);
            break;
        }
        result.columns.push_back(Column{item.alias, value->kind});
        row.push_back(value->cell);
    }
    result.rows.push_back(std::move(row));
    return result;
}

}  // namespace dw::tds
