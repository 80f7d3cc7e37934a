#include "db/odbc/diagnostics_text.h"

#include <gtest/gtest.h>

namespace {

using db::odbc::ComposeErrorMessage;
using db::odbc::DiagnosticRecord;
using db::odbc::StripVendorPrefixes;

TEST(DiagnosticsText, VendorPrefixesAreStripped) {
  EXPECT_EQ(StripVendorPrefixes(u"[FreeTDS][SQL Server]Login failed for user 'sa'."),
            u"Login failed for user 'sa'.");
  EXPECT_EQ(StripVendorPrefixes(u"[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Cannot open database"),
            u"Cannot open database");
  EXPECT_EQ(StripVendorPrefixes(u"[unixODBC][Driver Manager]Data source name not found"), u"Data source name not found");
  EXPECT_EQ(StripVendorPrefixes(u"  [FreeTDS] Query timeout expired \n"), u"Query timeout expired");
  // Brackets inside the text itself stay.
  EXPECT_EQ(StripVendorPrefixes(u"[FreeTDS][SQL Server]Invalid object name '[dbo].[x]'."),
            u"Invalid object name '[dbo].[x]'.");
  EXPECT_EQ(StripVendorPrefixes(u"No prefix [here]"), u"No prefix [here]");
  EXPECT_EQ(StripVendorPrefixes(u"[unclosed prefix"), u"[unclosed prefix");
}

TEST(DiagnosticsText, ServerMessagesComeFirst) {
  const std::vector<DiagnosticRecord> records = {
      {u"08001", 0, u"[FreeTDS]Unable to connect to data source"},
      {u"28000", 18456, u"[FreeTDS][SQL Server]Login failed for user 'sa'."},
  };
  EXPECT_EQ(ComposeErrorMessage(records), "Login failed for user 'sa'.\nUnable to connect to data source");
}

TEST(DiagnosticsText, WarningsOnlyWhenNothingElse) {
  const DiagnosticRecord context{u"01000", 5701, u"[FreeTDS][SQL Server]Changed database context to 'QEL'."};
  const DiagnosticRecord error{u"42000", 50000, u"[FreeTDS][SQL Server]Backup device is full."};
  EXPECT_EQ(ComposeErrorMessage({context, error}), "Backup device is full.");
  EXPECT_EQ(ComposeErrorMessage({context}), "Changed database context to 'QEL'.");
}

TEST(DiagnosticsText, RepeatsAndEmptyTextsAreDropped) {
  const std::vector<DiagnosticRecord> records = {
      {u"08S01", 20004, u"[FreeTDS]Read from the server failed"},
      {u"08S01", 20004, u"[FreeTDS]Read from the server failed"},
      {u"08S01", 0, u"[FreeTDS]"},
      {u"08S01", 0, u"[FreeTDS]Communication link failure"},
  };
  EXPECT_EQ(ComposeErrorMessage(records), "Read from the server failed\nCommunication link failure");
}

TEST(DiagnosticsText, NoUsableTextStillSaysSomething) {
  EXPECT_FALSE(ComposeErrorMessage({}).empty());
  EXPECT_NE(ComposeErrorMessage({{u"HY000", 0, u"[x][y]"}}).find("HY000"), std::string::npos);
}

TEST(DiagnosticsText, Classification) {
  EXPECT_TRUE(db::odbc::LinkLost({{u"HY000", 0, u"x"}, {u"08S01", 0, u"y"}}));
  EXPECT_FALSE(db::odbc::LinkLost({{u"HYT00", 0, u"Query timeout expired"}}));
  EXPECT_TRUE(db::odbc::DriverMissing({{u"IM002", 0, u"Data source name not found"}}));
  EXPECT_TRUE(db::odbc::DriverMissing({{u"IM003", 0, u"Specified driver could not be loaded"}}));
  EXPECT_TRUE(db::odbc::DriverMissing(
      {{u"01000", 0, u"[unixODBC][Driver Manager]Can't open lib 'ODBC Driver 18 for SQL Server' : file not found"}}));
  EXPECT_FALSE(db::odbc::DriverMissing({{u"28000", 18456, u"Login failed"}}));
  EXPECT_FALSE(db::odbc::DriverMissing({{u"01000", 5701, u"[FreeTDS][SQL Server]Changed database context"}}));
}

TEST(DiagnosticsText, FailureKindTellsARefusalFromNoAnswer) {
  using db::FailureKind;
  using db::odbc::ClassifyFailure;
  struct Case {
    const char* what;
    std::vector<DiagnosticRecord> records;
    FailureKind expected;
  };
  const std::vector<Case> cases = {
      {"FreeTDS, wrong password",
       {{u"42000", 18456, u"[FreeTDS][SQL Server]Login failed for user 'sa'."},
        {u"08001", 0, u"[FreeTDS][SQL Server]Unable to connect to data source"}},
       FailureKind::serverRefused},
      {"authorization state alone", {{u"28000", 18456, u"[Microsoft][ODBC Driver 18]Login failed"}},
       FailureKind::serverRefused},
      {"unknown database", {{u"08004", 4060, u"Cannot open database \"X\" requested by the login."}},
       FailureKind::serverRefused},
      {"an error number of the server in another state", {{u"HY000", 4060, u"Cannot open database"}},
       FailureKind::serverRefused},
      {"FreeTDS, nothing listening",
       {{u"08001", 20009, u"[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or does not exist"},
        {u"08001", 0, u"[FreeTDS][SQL Server]Unable to connect to data source"}},
       FailureKind::serverUnreachable},
      {"Microsoft driver, nothing listening",
       {{u"08001", 10061, u"[Microsoft][ODBC Driver 18 for SQL Server]TCP Provider: No connection could be made"},
        {u"HYT00", 0, u"[Microsoft][ODBC Driver 18 for SQL Server]Login timeout expired"}},
       FailureKind::serverUnreachable},
      {"login time-out", {{u"HYT00", 0, u"[FreeTDS][SQL Server]Login timeout expired"}},
       FailureKind::serverUnreachable},
      {"connection time-out", {{u"HYT01", 0, u"Connection timeout expired"}}, FailureKind::serverUnreachable},
      {"link lost during login", {{u"08S01", 20017, u"[FreeTDS][SQL Server]Unexpected EOF from the server"}},
       FailureKind::serverUnreachable},
      {"only the text says so", {{u"HY000", 0, u"[FreeTDS][SQL Server]Unable to connect to data source"}},
       FailureKind::serverUnreachable},
      {"driver missing", {{u"IM002", 0, u"[unixODBC][Driver Manager]Data source name not found"}},
       FailureKind::other},
      {"a warning with a number is no refusal",
       {{u"01000", 5701, u"[FreeTDS][SQL Server]Changed database context"}, {u"HY000", 0, u"General error"}},
       FailureKind::other},
      {"no records", {}, FailureKind::other},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyFailure(c.records), c.expected) << c.what;
  }
}

}  // namespace
