#include "command_line.h"

#include <gtest/gtest.h>

namespace {

using rar_standin::JoinCommandLine;
using rar_standin::SplitCommandLine;
using Items = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheMicrosoftRuntimeRules) {
  const struct {
    const char* line;
    Items items;
  } cases[] = {
      {R"(p "abc" d e)", {"p", "abc", "d", "e"}},
      {R"(p a\\b d"e f"g h)", {"p", R"(a\\b)", "de fg", "h"}},
      {R"(p a\\\"b c d)", {"p", R"(a\"b)", "c", "d"}},
      {R"(p a\\\\"b c" d e)", {"p", R"(a\\b c)", "d", "e"}},
      {R"(p a"b"" c d)", {"p", R"(ab" c d)"}},
      {"p  a \t b\t", {"p", "a", "b"}},
      {R"(p "")", {"p", ""}},
      {R"(p "open to the end)", {"p", "open to the end"}},
      // A trailing backslash escapes the closing quote: a folder stored as "D:\dir\" breaks here.
      {R"(p "D:\dir\" x)", {"p", R"(D:\dir" x)"}},
      {R"(p "C:\\x.rar")", {"p", R"(C:\\x.rar)"}},
      {"", {""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.items) << c.line;
  }
}

TEST(SplitCommandLine, TakesTheProgramLiterallyUpToTheFirstBlankOutsideQuotes) {
  EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\WinRAR\Rar.exe" t "D:\b.rar")"),
            (Items{R"(C:\Program Files\WinRAR\Rar.exe)", "t", R"(D:\b.rar)"}));
  EXPECT_EQ(SplitCommandLine(R"(C:\dir\\x.exe" y" z)"), (Items{R"(C:\dir\\x.exe y)", "z"}))
      << "backslashes before a quote in the program item are not escapes";
  // The archiver path is given unquoted: with a space in it the program item ends at the space.
  EXPECT_EQ(SplitCommandLine(R"(C:\Program Files\x.exe a)"), (Items{R"(C:\Program)", R"(Files\x.exe)", "a"}));
}

TEST(SplitCommandLine, ReadsTheArchiverLinesTheProgramBuilds) {
  EXPECT_EQ(SplitCommandLine(R"(C:\Tools\WinRar.exe a -ep "D:\Back up\Shop_1200.rar" "D:\Back up\Shop_1200.bak")"),
            (Items{R"(C:\Tools\WinRar.exe)", "a", "-ep", R"(D:\Back up\Shop_1200.rar)", R"(D:\Back up\Shop_1200.bak)"}));
  EXPECT_EQ(SplitCommandLine(R"("C:\Tools\WinRar.exe" t "D:\Backup\Shop_1200.rar")"),
            (Items{R"(C:\Tools\WinRar.exe)", "t", R"(D:\Backup\Shop_1200.rar)"}));
}

TEST(JoinCommandLine, QuotesOnlyItemsThatNeedIt) {
  EXPECT_EQ(JoinCommandLine({"/bin/x", "a", "-ep", "/tmp/a b.zip", ""}), R"(/bin/x a -ep "/tmp/a b.zip" "")");
  EXPECT_EQ(SplitCommandLine(JoinCommandLine({"x", "t", "/tmp/a b.zip"})), (Items{"x", "t", "/tmp/a b.zip"}));
}

}  // namespace
