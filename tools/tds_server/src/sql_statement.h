#pragma once

#include <string>
#include <variant>
#include <vector>

#include "sql_lexer.h"

namespace dw::tds {

struct ExecArgument {
    enum class Kind { Literal, Null, Default, Variable };
    std::string name;  // "@DB" when written as @DB = value, else empty
    Kind kind = Kind::Literal;
    std::string text;  // the literal's text, or the variable's name
    bool output = false;
};

// EXEC[UTE] procedure args, or a procedure name alone at the start of a batch.
struct ExecStatement {
    std::string procedure;  // last part of a multi-part name, without brackets
    std::vector<ExecArgument> args;
};

struct UseStatement {
    std::string database;
};

struct SelectItem {
    enum class Kind { Variable, Function, String, Number };
    Kind kind = Kind::Variable;
    std::string text;  // @@NAME, function name, literal text
    std::string alias;
};

// SELECT of constants, @@variables and argument-less built-in functions; no FROM.
struct SelectStatement {
    std::vector<SelectItem> items;
};

// Statements accepted and answered with a bare DONE: SET options and transaction control, which a
// client driver sends on its own and whose effect nothing here depends on.
struct QuietStatement {
    std::string keyword;
};

struct UnsupportedStatement {
    std::string text;
};

using Statement = std::variant<ExecStatement, UseStatement, SelectStatement, QuietStatement, UnsupportedStatement>;

// first_in_batch: T-SQL runs a bare procedure name as EXEC only as the first statement of a batch.
Statement interpret_statement(const std::vector<SqlToken>& tokens, bool first_in_batch);

// Renders tokens back into readable SQL for messages and the log.
std::string render_tokens(const std::vector<SqlToken>& tokens);

}  // namespace dw::tds
