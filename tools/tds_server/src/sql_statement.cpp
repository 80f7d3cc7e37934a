#include "sql_statement.h"

#include <cstddef>

namespace dw::tds {
namespace {

// Walks a statement's tokens; any unexpected shape makes the statement unsupported.
class Cursor {
public:
    explicit Cursor(const std::vector<SqlToken>& tokens) : tokens_(tokens) {}

    bool at_end() const { return pos_ >= tokens_.size(); }
    const SqlToken* peek(std::size_t ahead = 0) const
    {
        return pos_ + ahead < tokens_.size() ? &tokens_[pos_ + ahead] : nullptr;
    }
    // Past the end it yields an empty symbol, which matches nothing the callers look for.
    const SqlToken& next()
    {
        static const SqlToken end{SqlTokenKind::Symbol, "", false};
        return pos_ < tokens_.size() ? tokens_[pos_++] : end;
    }
    bool take_symbol(char c)
    {
        if (!at_end() && tokens_[pos_].is_symbol(c)) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool take_word(std::string_view upper)
    {
        if (!at_end() && tokens_[pos_].is_word(upper)) {
            ++pos_;
            return true;
        }
        return false;
    }

private:
    const std::vector<SqlToken>& tokens_;
    std::size_t pos_ = 0;
};

bool is_reserved(const SqlToken& token)
{
    for (const char* word : {"SELECT", "SET", "USE", "EXEC", "EXECUTE", "BEGIN", "COMMIT", "ROLLBACK", "IF",
                             "DECLARE", "PRINT", "SAVE", "WHILE", "RETURN", "INSERT", "UPDATE", "DELETE",
                             "CREATE", "DROP", "ALTER", "WITH", "GO", "BACKUP", "RESTORE"}) {
        if (token.is_word(word)) {
            return true;
        }
    }
    return false;
}

// Reads [db.][schema.]name and keeps the last part; empty parts ("db..proc") are allowed.
bool read_object_name(Cursor& cursor, std::string& name)
{
    bool last_was_name = false;
    while (!cursor.at_end()) {
        const SqlToken& token = *cursor.peek();
        if (token.is_name() && !last_was_name) {
            name = token.text;
            last_was_name = true;
        } else if (token.is_symbol('.')) {
            last_was_name = false;
        } else {
            break;
        }
        cursor.next();
    }
    return last_was_name;
}

bool read_exec_argument(Cursor& cursor, ExecArgument& arg)
{
    const SqlToken* first = cursor.peek();
    const SqlToken* second = cursor.peek(1);
    if (first != nullptr && first->kind == SqlTokenKind::Variable && second != nullptr && second->is_symbol('=')) {
        arg.name = cursor.next().text;
        cursor.next();
    }
    if (cursor.at_end()) {
        return false;
    }
    std::string sign;
    if (cursor.peek()->is_symbol('-') || cursor.peek()->is_symbol('+')) {
        sign = cursor.next().text;
        if (cursor.at_end() || cursor.peek()->kind != SqlTokenKind::Number) {
            return false;
        }
    }
    const SqlToken& value = cursor.next();
    switch (value.kind) {
    case SqlTokenKind::String:
    case SqlTokenKind::QuotedName:
        arg.kind = ExecArgument::Kind::Literal;
        arg.text = value.text;
        break;
    case SqlTokenKind::Number:
        arg.kind = ExecArgument::Kind::Literal;
        arg.text = sign + value.text;
        break;
    case SqlTokenKind::Variable:
        arg.kind = ExecArgument::Kind::Variable;
        arg.text = value.text;
        break;
    case SqlTokenKind::Word:
        if (value.is_word("NULL")) {
            arg.kind = ExecArgument::Kind::Null;
        } else if (value.is_word("DEFAULT")) {
            arg.kind = ExecArgument::Kind::Default;
        } else {
            // EXEC takes an unquoted word as a character string.
            arg.kind = ExecArgument::Kind::Literal;
            arg.text = value.text;
        }
        break;
    case SqlTokenKind::Symbol:
        return false;
    }
    arg.output = cursor.take_word("OUTPUT") || cursor.take_word("OUT");
    return true;
}

Statement interpret_exec(Cursor& cursor, const std::vector<SqlToken>& tokens)
{
    const UnsupportedStatement unsupported{render_tokens(tokens)};
    // EXEC @status = proc ...: the status variable is not kept.
    const SqlToken* first = cursor.peek();
    const SqlToken* second = cursor.peek(1);
    if (first != nullptr && first->kind == SqlTokenKind::Variable && second != nullptr && second->is_symbol('=')) {
        cursor.next();
        cursor.next();
    }
    ExecStatement exec;
    if (!read_object_name(cursor, exec.procedure)) {
        return unsupported;  // EXEC ('dynamic sql'), EXEC @proc_variable ...
    }
    while (!cursor.at_end()) {
        if (cursor.peek()->is_word("WITH")) {
            cursor.next();
            if (!cursor.take_word("RECOMPILE") || !cursor.at_end()) {
                return unsupported;
            }
            break;
        }
        ExecArgument arg;
        if (!read_exec_argument(cursor, arg)) {
            return unsupported;
        }
        exec.args.push_back(std::move(arg));
        if (!cursor.at_end() && !cursor.take_symbol(',')) {
            return unsupported;
        }
    }
    return exec;
}

Statement interpret_select(Cursor& cursor, const std::vector<SqlToken>& tokens)
{
    const UnsupportedStatement unsupported{render_tokens(tokens)};
    SelectStatement select;
    do {
        if (cursor.at_end()) {
            return unsupported;
        }
        SelectItem item;
        std::string sign;
        if (cursor.peek()->is_symbol('-')) {
            sign = cursor.next().text;
            if (cursor.at_end()) {
                return unsupported;
            }
        }
        const SqlToken& token = cursor.next();
        if (token.kind == SqlTokenKind::Variable && token.text.rfind("@@", 0) == 0 && sign.empty()) {
            item.kind = SelectItem::Kind::Variable;
            item.text = token.text;
        } else if (token.kind == SqlTokenKind::String && sign.empty()) {
            item.kind = SelectItem::Kind::String;
            item.text = token.text;
        } else if (token.kind == SqlTokenKind::Number) {
            item.kind = SelectItem::Kind::Number;
            item.text = sign + token.text;
        } else if (token.kind == SqlTokenKind::Word && sign.empty() && !is_reserved(token) &&
                   cursor.take_symbol('(')) {
            if (!cursor.take_symbol(')')) {
                return unsupported;
            }
            item.kind = SelectItem::Kind::Function;
            item.text = token.text;
        } else if (token.kind == SqlTokenKind::Word && sign.empty() &&
                   (token.is_word("SYSTEM_USER") || token.is_word("CURRENT_USER") || token.is_word("SESSION_USER"))) {
            item.kind = SelectItem::Kind::Function;
            item.text = token.text;
        } else {
            return unsupported;
        }
        if (cursor.take_word("AS")) {
            if (cursor.at_end() || !(cursor.peek()->is_name() || cursor.peek()->kind == SqlTokenKind::String)) {
                return unsupported;
            }
            item.alias = cursor.next().text;
        } else if (!cursor.at_end() && cursor.peek()->is_name() && !is_reserved(*cursor.peek()) &&
                   !cursor.peek()->is_word("FROM")) {
            item.alias = cursor.next().text;
        }
        select.items.push_back(std::move(item));
    } while (cursor.take_symbol(','));
    if (!cursor.at_end()) {
        return unsupported;
    }
    return select;
}

}  // namespace

std::string render_tokens(const std::vector<SqlToken>& tokens)
{
    std::string out;
    for (const auto& token : tokens) {
        if (!out.empty() && !token.is_symbol(',') && !token.is_symbol('.') && !token.is_symbol(')') &&
            out.back() != '.' && out.back() != '(') {
            out += ' ';
        }
        switch (token.kind) {
        case SqlTokenKind::String: {
            out += token.unicode ? "N'" : "'";
            for (const char c : token.text) {
                out += c;
                if (c == '\'') {
                    out += '\'';
                }
            }
            out += '\'';
            break;
        }
        case SqlTokenKind::QuotedName:
            out += '[' + token.text + ']';
            break;
        default:
            out += token.text;
            break;
        }
    }
    return out;
}

Statement interpret_statement(const std::vector<SqlToken>& tokens, bool first_in_batch)
{
    Cursor cursor(tokens);
    if (cursor.at_end()) {
        return QuietStatement{};
    }
    const SqlToken& head = *cursor.peek();
    if (head.is_word("EXEC") || head.is_word("EXECUTE")) {
        cursor.next();
        return interpret_exec(cursor, tokens);
    }
    if (head.is_word("SELECT")) {
        cursor.next();
        return interpret_select(cursor, tokens);
    }
    if (head.is_word("USE")) {
        cursor.next();
        if (cursor.at_end() || !cursor.peek()->is_name()) {
            return UnsupportedStatement{render_tokens(tokens)};
        }
        UseStatement use{cursor.next().text};
        if (!cursor.at_end()) {
            return UnsupportedStatement{render_tokens(tokens)};
        }
        return use;
    }
    if (head.is_word("SET") || head.is_word("COMMIT") || head.is_word("ROLLBACK") || head.is_word("SAVE")) {
        return QuietStatement{head.text};
    }
    if (head.is_word("BEGIN")) {
        const SqlToken* what = cursor.peek(1);
        if (what != nullptr && (what->is_word("TRAN") || what->is_word("TRANSACTION"))) {
            return QuietStatement{head.text};
        }
        return UnsupportedStatement{render_tokens(tokens)};
    }
    // Drivers guard their COMMIT/ROLLBACK with "IF @@TRANCOUNT > 0".
    if (head.is_word("IF")) {
        const SqlToken* what = cursor.peek(1);
        if (what != nullptr && what->kind == SqlTokenKind::Variable && same_keyword(what->text, "@@TRANCOUNT")) {
            return QuietStatement{head.text};
        }
        return UnsupportedStatement{render_tokens(tokens)};
    }
    if (first_in_batch && head.is_name() && !is_reserved(head)) {
        return interpret_exec(cursor, tokens);
    }
    return UnsupportedStatement{render_tokens(tokens)};
}

}  // namespace dw::tds
