// The T-SQL that drivers send: literals, statement boundaries, the statements the server runs, and
// how EXEC arguments meet CreateBakFile's parameters.
#include <gtest/gtest.h>

#include "procedure_call.h"
#include "select_values.h"
#include "sql_lexer.h"
#include "sql_statement.h"

namespace dw::tds {
namespace {

Statement interpret(std::string_view sql, bool first = true)
{
    const auto statements = split_statements(tokenize_sql(sql));
    EXPECT_EQ(statements.size(), 1u) << sql;
    return interpret_statement(statements.at(0), first);
}

TEST(SqlLexer, ReadsLiteralsNamesAndVariables)
{
    const auto tokens = tokenize_sql("EXEC [db]]x].p N'It''s', 'D:\\1', @P1, @@spid -- note\n /* a /* b */ c */ 12");
    ASSERT_EQ(tokens.size(), 12u);
    EXPECT_EQ(tokens[1].kind, SqlTokenKind::QuotedName);
    EXPECT_EQ(tokens[1].text, "db]x");
    EXPECT_EQ(tokens[4].kind, SqlTokenKind::String);
    EXPECT_TRUE(tokens[4].unicode);
    EXPECT_EQ(tokens[4].text, "It's");
    EXPECT_FALSE(tokens[6].unicode);
    EXPECT_EQ(tokens[6].text, "D:\\1");
    EXPECT_EQ(tokens[8].kind, SqlTokenKind::Variable);
    EXPECT_EQ(tokens[8].text, "@P1");
    EXPECT_EQ(tokens[10].text, "@@spid");
    EXPECT_EQ(tokens[11].kind, SqlTokenKind::Number);
}

TEST(SqlLexer, RefusesUnclosedQuotesBracketsAndComments)
{
    struct Case {
        const char* sql;
        int error;
    };
    for (const Case c : {Case{"EXEC p N'abc", 105}, Case{"EXEC p 'it''", 105}, Case{"USE [x", 105},
                         Case{"SELECT 1 /* /* */", 113}}) {
        try {
            tokenize_sql(c.sql);
            ADD_FAILURE() << c.sql;
        } catch (const SqlSyntaxError& e) {
            EXPECT_EQ(e.number(), c.error) << c.sql;
        }
    }
}

TEST(SqlLexer, SplitsBatchesWhereTSqlStatementsBegin)
{
    struct Case {
        const char* sql;
        std::size_t statements;
    };
    for (const Case c : {Case{"SET TEXTSIZE 4096 SET QUOTED_IDENTIFIER ON", 2}, Case{"SET X ON; SELECT 1;", 2},
                         Case{"IF @@TRANCOUNT > 0 COMMIT TRAN", 2}, Case{"select (select 1)", 1},
                         Case{"EXEC CreateBakFile N'SET', N'x' USE QEL", 2}, Case{";;", 0}, Case{"", 0}}) {
        EXPECT_EQ(split_statements(tokenize_sql(c.sql)).size(), c.statements) << c.sql;
    }
}

TEST(SqlStatement, ReadsTheFormsOfExec)
{
    const auto exec = std::get<ExecStatement>(interpret("EXECUTE CreateBakFile N'QEL', N'D:\\1'"));
    EXPECT_EQ(exec.procedure, "CreateBakFile");
    ASSERT_EQ(exec.args.size(), 2u);
    EXPECT_EQ(exec.args[1].text, "D:\\1");

    const auto named = std::get<ExecStatement>(interpret("exec @rc = [dbo].[CreateBakFile] @ToDir = @P2, @DB=N'a'"));
    EXPECT_EQ(named.procedure, "CreateBakFile");
    EXPECT_EQ(named.args[0].name, "@ToDir");
    EXPECT_EQ(named.args[0].kind, ExecArgument::Kind::Variable);
    EXPECT_EQ(named.args[0].text, "@P2");
    EXPECT_EQ(named.args[1].name, "@DB");

    const auto special = std::get<ExecStatement>(interpret("EXEC QEL..CreateBakFile NULL, DEFAULT, -5, bare OUTPUT"));
    EXPECT_EQ(special.procedure, "CreateBakFile");
    EXPECT_EQ(special.args[0].kind, ExecArgument::Kind::Null);
    EXPECT_EQ(special.args[1].kind, ExecArgument::Kind::Default);
    EXPECT_EQ(special.args[2].text, "-5");
    EXPECT_EQ(special.args[3].text, "bare");
    EXPECT_TRUE(special.args[3].output);

    EXPECT_TRUE(std::holds_alternative<ExecStatement>(interpret("CreateBakFile N'a', N'b'", true)));
    EXPECT_TRUE(std::holds_alternative<UnsupportedStatement>(interpret("CreateBakFile N'a', N'b'", false)));
}

TEST(SqlStatement, AnswersOtherStatementsOrCallsThemUnsupported)
{
    EXPECT_EQ(std::get<UseStatement>(interpret("USE [My Shop]")).database, "My Shop");
    for (const char* quiet : {"SET TEXTSIZE 2147483647", "BEGIN TRAN", "COMMIT", "ROLLBACK TRANSACTION",
                              "IF @@TRANCOUNT > 0"}) {
        EXPECT_TRUE(std::holds_alternative<QuietStatement>(interpret(quiet))) << quiet;
    }
    for (const char* unsupported : {"EXEC ('select 1')", "EXEC CreateBakFile N'a' N'b'", "SELECT * FROM t",
                                    "BEGIN x", "IF 1 = 1", "USE", "DELETE FROM t", "EXEC p WITH x", "SELECT -",
                                    "SELECT", "SELECT 1,", "EXEC p @a =", "EXEC p -"}) {
        EXPECT_TRUE(std::holds_alternative<UnsupportedStatement>(interpret(unsupported))) << unsupported;
    }
}

TEST(SqlStatement, SelectsConstantsVariablesAndFunctions)
{
    const auto select = std::get<SelectStatement>(interpret("SELECT @@spid spid, db_name() AS d, N'x', -5"));
    ASSERT_EQ(select.items.size(), 4u);
    EXPECT_EQ(select.items[0].alias, "spid");
    EXPECT_EQ(select.items[1].kind, SelectItem::Kind::Function);
    EXPECT_EQ(select.items[1].alias, "d");
    EXPECT_EQ(select.items[3].text, "-5");

    const auto result = evaluate_select(select, {57, "sa", "QEL"});
    const auto& rows = std::get<ResultSet>(result);
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(std::get<std::int32_t>(rows.rows[0][0]), 57);
    EXPECT_EQ(std::get<std::string>(rows.rows[0][1]), "QEL");
    EXPECT_EQ(std::get<std::int32_t>(rows.rows[0][3]), -5);

    const auto unknown = evaluate_select(std::get<SelectStatement>(interpret("SELECT @@nonsense")), {});
    EXPECT_EQ(std::get<ServerMessage>(unknown).number, 137);
    const auto function = evaluate_select(std::get<SelectStatement>(interpret("SELECT nonsense()")), {});
    EXPECT_EQ(std::get<ServerMessage>(function).number, 195);
}

Argument positional(const char* text)
{
    return Argument{"", ParamValue{false, text, std::nullopt}, false};
}

Argument named(const char* name, const char* text)
{
    return Argument{name, ParamValue{false, text, std::nullopt}, false};
}

TEST(BindArguments, MatchesPositionalAndNamedArgumentsOrGivesSqlServersError)
{
    const std::vector<std::string> params{"@DB", "@ToDir"};
    struct Case {
        const char* label;
        std::vector<Argument> args;
        int error;  // 0: bound as DB = "a", ToDir = "b"
    };
    const std::vector<Case> cases{
        {"positional", {positional("a"), positional("b")}, 0},
        {"named, any order and case", {named("@todir", "b"), named("@DB", "a")}, 0},
        {"mixed", {positional("a"), named("@ToDir", "b")}, 0},
        {"too many", {positional("a"), positional("b"), positional("c")}, 8144},
        {"unknown name", {positional("a"), named("@Dir", "b")}, 8145},
        {"missing", {positional("a")}, 201},
        {"positional after named", {named("@DB", "a"), positional("b")}, 119},
        {"named twice", {named("@DB", "a"), named("@db", "b")}, 8143},
        {"default without a default", {positional("a"), Argument{"", {}, true}}, 201},
    };
    for (const auto& c : cases) {
        const auto bound = bind_arguments("CreateBakFile", params, c.args);
        if (c.error == 0) {
            const auto& values = std::get<std::vector<ParamValue>>(bound);
            EXPECT_EQ(values[0].text, "a") << c.label;
            EXPECT_EQ(values[1].text, "b") << c.label;
        } else {
            EXPECT_EQ(std::get<ServerMessage>(bound).number, c.error) << c.label;
        }
    }
    const auto missing = bind_arguments("CreateBakFile", params, {positional("a")});
    EXPECT_EQ(std::get<ServerMessage>(missing).text,
              "Procedure or function 'CreateBakFile' expects parameter '@ToDir', which was not supplied.");
}

}  // namespace
}  // namespace dw::tds
