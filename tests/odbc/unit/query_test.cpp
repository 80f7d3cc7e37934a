// The query's own rules, which hold before any server is involved.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "db/database.h"

namespace {

using db::DatabaseError;

std::string Failure(const std::function<void()>& action) {
  try {
    action();
  } catch (const DatabaseError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(BackupQuery, ParametersAreFoundWithoutRegardToCase) {
  db::Connection connection;
  db::Query query(connection, db::CreateBakFileQuery());
  for (const char* name : {"DB", "db", "Db", "ToDir", "TODIR", "todir"}) {
    EXPECT_NO_THROW(query.SetParameter(name, "x")) << name;
  }
  for (const char* name : {"", "D", "DBX", ":DB", "To Dir", "ToDir "}) {
    EXPECT_THROW(query.SetParameter(name, "x"), DatabaseError) << "[" << name << "]";
  }
}

TEST(BackupQuery, ValuesUpToTheParameterSizeAreTakenLongerOnesRefused) {
  db::Connection connection;
  db::Query query(connection, db::CreateBakFileQuery());
  EXPECT_NO_THROW(query.SetParameter("DB", std::string(50, 'd')));
  EXPECT_NO_THROW(query.SetParameter("ToDir", std::string(250, 't')));
  EXPECT_NO_THROW(query.SetParameter("ToDir", ""));
  EXPECT_EQ(Failure([&] { query.SetParameter("DB", std::string(51, 'd')); }),
            "The value of parameter DB has 51 characters, more than the 50 it can take");
  EXPECT_THROW(query.SetParameter("ToDir", std::string(251, 't')), DatabaseError);
}

TEST(BackupQuery, NothingRunsWithoutAnOpenConnection) {
  db::Connection connection;
  db::Query query(connection, db::CreateBakFileQuery());
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(Failure([&] { query.Open(); }), "Operation is not allowed when the object is closed.");
  EXPECT_FALSE(query.Active());
  EXPECT_THROW((void)query.FieldText(0), DatabaseError);
  // Closing what is closed is harmless.
  query.Close();
  connection.Close();
}

TEST(BackupQuery, OutlivingItsConnectionIsSafe) {
  auto connection = std::make_unique<db::Connection>();
  db::Query query(*connection, db::CreateBakFileQuery());
  connection.reset();
  EXPECT_THROW(query.Open(), DatabaseError);
  query.Close();
}

TEST(BackupQuery, MalformedConnectionStringFailsTheOpen) {
  db::Connection connection("FreeTDS");
  connection.SetConnectionString("Provider=SQLOLEDB.1;Password=\"unclosed;User ID=sa");
  EXPECT_EQ(Failure([&] { connection.Open(); }),
            "Format of the initialization string is not valid");
  EXPECT_FALSE(connection.Connected());
}

}  // namespace
