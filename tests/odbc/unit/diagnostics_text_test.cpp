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

}  // namespace
