#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dw::tds {

enum class SqlTokenKind {
    Word,        // keyword or plain name, as written
    QuotedName,  // [name] or "name", text without the quotes
    Variable,    // @name or @@name, text with the '@'
    String,      // '...' or N'...', text unescaped (doubled quotes made single)
    Number,
    Symbol,      // any other single character: , ; = . ( ) ...
};

struct SqlToken {
    SqlTokenKind kind = SqlTokenKind::Word;
    std::string text;
    bool unicode = false;  // N'...'

    bool is_word(std::string_view upper_keyword) const;  // a Word equal to the keyword, any case
    bool is_symbol(char c) const { return kind == SqlTokenKind::Symbol && text.size() == 1 && text[0] == c; }
    bool is_name() const { return kind == SqlTokenKind::Word || kind == SqlTokenKind::QuotedName; }
};

// A batch SQL Server would refuse before running any of it.
class SqlSyntaxError : public std::runtime_error {
public:
    SqlSyntaxError(int number, const std::string& message) : std::runtime_error(message), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

// ASCII case-insensitive match of a keyword written in upper case.
bool same_keyword(std::string_view text, std::string_view upper_keyword);

// Splits T-SQL text into tokens, dropping white space and comments (-- and nested /* */).
// Throws SqlSyntaxError for an unclosed quotation mark, bracket or comment.
std::vector<SqlToken> tokenize_sql(std::string_view sql);

// Cuts a batch into statements at semicolons and before the keywords that begin a statement
// (outside parentheses), which is how T-SQL lets statements follow each other without separators.
std::vector<std::vector<SqlToken>> split_statements(const std::vector<SqlToken>& tokens);

}  // namespace dw::tds
