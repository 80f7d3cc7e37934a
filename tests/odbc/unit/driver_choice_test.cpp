#include "db/odbc/driver_choice.h"

#include <gtest/gtest.h>

namespace {

using db::odbc::CandidateDrivers;
using Names = std::vector<std::u16string>;

const Names kAllKnown = {u"ODBC Driver 18 for SQL Server", u"ODBC Driver 17 for SQL Server",
                         u"SQL Server Native Client 11.0", u"SQL Server", u"FreeTDS"};

TEST(DriverChoice, ConfiguredNameIsTheOnlyCandidate) {
  EXPECT_EQ(CandidateDrivers(u"FreeTDS", Names{u"ODBC Driver 18 for SQL Server"}), Names{u"FreeTDS"});
  EXPECT_EQ(CandidateDrivers(u"  {My Driver}  ", std::nullopt), Names{u"My Driver"});
  EXPECT_EQ(CandidateDrivers(u"Not Installed", Names{}), Names{u"Not Installed"});
}

TEST(DriverChoice, InstalledKnownDriversInOrderOfPreference) {
  EXPECT_EQ(CandidateDrivers(u"", Names{u"FreeTDS", u"PostgreSQL Unicode", u"ODBC Driver 17 for SQL Server"}),
            (Names{u"ODBC Driver 17 for SQL Server", u"FreeTDS"}));
  EXPECT_EQ(CandidateDrivers(u"  ", Names{u"sql server", u"FREETDS"}), (Names{u"sql server", u"FREETDS"}));
}

TEST(DriverChoice, NothingKnownInstalledLeavesNoCandidate) {
  EXPECT_TRUE(CandidateDrivers(u"", Names{u"PostgreSQL Unicode", u"SQLite3"}).empty());
  // A name that merely contains a known one is another driver.
  EXPECT_TRUE(CandidateDrivers(u"", Names{u"SQL Server 2000 Legacy"}).empty());
}

TEST(DriverChoice, UnreadableListTriesEveryKnownDriver) {
  EXPECT_EQ(CandidateDrivers(u"", std::nullopt), kAllKnown);
  EXPECT_EQ(CandidateDrivers(u"", Names{}), kAllKnown);
}

}  // namespace
