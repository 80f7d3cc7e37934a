#include "db/odbc/statement_text.h"

#include <gtest/gtest.h>

namespace {

using db::odbc::AsProcedureCall;
using db::odbc::ToPositionalStatement;
using Names = std::vector<std::u16string>;

struct MarkerCase {
  std::u16string_view statement;
  std::u16string_view positional;
  Names markers;
};

TEST(StatementText, NamedMarkersBecomePositional) {
  const MarkerCase cases[] = {
      {u"EXECUTE CreateBakFile :DB, :ToDir", u"EXECUTE CreateBakFile ?, ?", {u"DB", u"ToDir"}},
      {u":a+:A,:a_1", u"?+?,?", {u"a", u"A", u"a_1"}},
      {u"SELECT ':x', :y", u"SELECT ':x', ?", {u"y"}},
      {u"SELECT 'it''s :x', :y", u"SELECT 'it''s :x', ?", {u"y"}},
      {u"SELECT [a:b], \"c:d\", :e", u"SELECT [a:b], \"c:d\", ?", {u"e"}},
      {u"SELECT :p -- :q\n, :r /* :s */", u"SELECT ? -- :q\n, ? /* :s */", {u"p", u"r"}},
      {u"WAITFOR DELAY '00:00:05'; SELECT x::y, 10:30, a:b", u"WAITFOR DELAY '00:00:05'; SELECT x::y, 10:30, a:b", {}},
      {u"SELECT : x, :", u"SELECT : x, :", {}},
      {u"SELECT 'unclosed :x", u"SELECT 'unclosed :x", {}},
  };
  for (const auto& c : cases) {
    const auto result = ToPositionalStatement(c.statement);
    EXPECT_EQ(result.text, c.positional) << std::string(c.statement.begin(), c.statement.end());
    EXPECT_EQ(result.markers, c.markers) << std::string(c.statement.begin(), c.statement.end());
  }
}

TEST(StatementText, ProcedureExecutionBecomesCallEscape) {
  EXPECT_EQ(AsProcedureCall(u"EXECUTE CreateBakFile ?, ?"), u"{call CreateBakFile(?, ?)}");
  EXPECT_EQ(AsProcedureCall(u"  exec dbo.[Bak_1]\t?  ;  "), u"{call dbo.[Bak_1](?)}");
  EXPECT_EQ(AsProcedureCall(u"EXEC Cleanup"), u"{call Cleanup()}");
  EXPECT_EQ(AsProcedureCall(u"Execute P ?,?,?"), u"{call P(?, ?, ?)}");
}

TEST(StatementText, OtherStatementsStayText) {
  for (std::u16string_view text : {u"SELECT ?", u"EXECUTE P ?, 'x'", u"EXECUTE P ?,", u"EXECUTE P ? ?",
                                   u"EXECUTEP ?", u"EXECUTE", u"EXECUTE P ?; SELECT 1", u"EXECUTE [Two Words] ?",
                                   u"EXECUTE @rc = P ?"}) {
    EXPECT_FALSE(AsProcedureCall(text).has_value()) << std::string(text.begin(), text.end());
  }
}

}  // namespace
