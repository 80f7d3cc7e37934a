// The database layer against the stand-in TDS server (tools/tds_server) over TCP.
// Started by ctest with --work=DIR (the server's work folder, as this program sees it) and
// --todir=PATH (that folder's "bak" subfolder as a Windows path, which the server maps back).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "db/connection_string.h"
#include "db/database.h"
#include "support/server_fixture.h"

namespace {

using namespace odbc_test;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kDriver = "FreeTDS";


class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(WorkDir().empty() || ToDirArgument().empty()) << "start with --work=DIR --todir=WINDOWS_PATH";
    port_ = ReadPort();
    ASSERT_FALSE(port_.empty()) << "no port file in " << WorkDir().string() << ": is the server fixture running?";
    SetServerMode("none");
  }
  void TearDown() override { SetServerMode("none"); }

  [[nodiscard]] std::string ConnectionString(const std::string& user, const std::string& password,
                                             const std::string& database = "QEL") const {
    return db::BuildConnectionString(password, user, database, "127.0.0.1," + port_);
  }

  // Runs the backup query as a backup run does and returns the file name it reports.
  static std::string RunBackup(db::Query& query, const std::string& database, const std::string& toDir) {
    query.Close();
    query.SetParameter("db", database);
    query.SetParameter("TODIR", toDir);
    query.Open();
    return query.FieldText(0);
  }

  std::string port_;
};

db::FailureKind OpenFailureKind(db::Connection& connection) {
  try {
    connection.Open();
  } catch (const db::DatabaseError& e) {
    return e.Kind();
  }
  ADD_FAILURE() << "the connection opened";
  return db::FailureKind::other;
}

std::string OpenFailure(db::Connection& connection) {
  try {
    connection.Open();
  } catch (const db::DatabaseError& e) {
    return e.what();
  }
  return "(no error)";
}

std::string QueryFailure(db::Query& query, const std::string& toDir = ToDirArgument()) {
  try {
    query.Close();
    query.SetParameter("DB", "QEL");
    query.SetParameter("ToDir", toDir);
    query.Open();
  } catch (const db::DatabaseError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST_F(ServerTest, BackupCallWritesTheFileItNames) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery());
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();
  ASSERT_TRUE(connection.Connected());
  EXPECT_THROW(connection.SetConnectionString("Data Source=elsewhere"), db::DatabaseError) << "only while closed";

  const std::string name = RunBackup(query, "QEL", ToDirArgument());
  // A second backup within the same second gets a numbered name rather than overwriting the first.
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(QEL_\d{8}_\d{6}(_\d+)?\.bak)"))) << name;
  const fs::path file = WorkDir() / "bak" / name;
  ASSERT_TRUE(fs::exists(file)) << file.string();
  EXPECT_EQ(fs::file_size(file), 4096u);
  EXPECT_THROW((void)query.FieldText(1), db::DatabaseError) << "the result has one column";

  // Closing the connection closes the query with it.
  connection.Close();
  EXPECT_FALSE(connection.Connected());
  EXPECT_FALSE(query.Active());
  EXPECT_THROW((void)query.FieldText(0), db::DatabaseError);
}

TEST_F(ServerTest, DriverIsFoundWithoutConfiguration) {
  db::Connection connection;
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();
  EXPECT_TRUE(connection.Connected());
}

TEST_F(ServerTest, ConfiguredDriverThatIsNotInstalledIsNamed) {
  db::Connection connection("Dumpwarden No Such Driver");
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  EXPECT_EQ(OpenFailure(connection), "The ODBC driver \"Dumpwarden No Such Driver\" is not installed");
  EXPECT_FALSE(connection.Connected());
}

TEST_F(ServerTest, RefusedLoginShowsTheServersSentence) {
  db::Connection connection(kDriver);
  connection.SetConnectionString(ConnectionString(kUser, "wrong"));
  const std::string message = OpenFailure(connection);
  EXPECT_EQ(message.rfind("Login failed for user 'dumpwarden'.", 0), 0u) << message;
  EXPECT_EQ(message.find('['), std::string::npos) << message;
  EXPECT_FALSE(connection.Connected());

  // The same object connects once the credentials are right.
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();
  EXPECT_TRUE(connection.Connected());
}

TEST_F(ServerTest, UnknownDatabaseIsNamedInTheError) {
  db::Connection connection(kDriver);
  connection.SetConnectionString(ConnectionString(kUser, kPassword, "NoSuchDb"));
  const std::string message = OpenFailure(connection);
  EXPECT_NE(message.find("Cannot open database \"NoSuchDb\""), std::string::npos) << message;
  EXPECT_EQ(message.find('['), std::string::npos) << message;
  EXPECT_FALSE(connection.Connected());
}

TEST_F(ServerTest, UnreachableServerFailsQuickly) {
  db::Connection connection(kDriver);
  // Port 1 on the loopback: nothing listens there, the refusal comes at once.
  connection.SetConnectionString(db::BuildConnectionString(kPassword, kUser, "QEL", "127.0.0.1,1"));
  const auto start = std::chrono::steady_clock::now();
  const std::string message = OpenFailure(connection);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_NE(message, "(no error)");
  EXPECT_EQ(message.find("[FreeTDS]"), std::string::npos) << message;
  EXPECT_FALSE(connection.Connected());
}

TEST_F(ServerTest, ARefusalByTheServerIsToldFromAServerThatCannotBeReached) {
  db::Connection connection(kDriver);
  connection.SetConnectionString(ConnectionString(kUser, "wrong"));
  EXPECT_EQ(OpenFailureKind(connection), db::FailureKind::serverRefused) << "wrong password";
  connection.SetConnectionString(ConnectionString(kUser, kPassword, "NoSuchDb"));
  EXPECT_EQ(OpenFailureKind(connection), db::FailureKind::serverRefused) << "unknown database";
  SetServerMode("login");
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  EXPECT_EQ(OpenFailureKind(connection), db::FailureKind::serverRefused) << "every login refused";
  SetServerMode("none");
  connection.SetConnectionString(db::BuildConnectionString(kPassword, kUser, "QEL", "127.0.0.1,1"));
  EXPECT_EQ(OpenFailureKind(connection), db::FailureKind::serverUnreachable) << "nothing listening";
}

TEST_F(ServerTest, ProcedureErrorIsRaisedAndTheConnectionStaysUsable) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery());
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();

  SetServerMode("proc-error");
  const std::string message = QueryFailure(query);
  EXPECT_NE(message, "(no error)");
  EXPECT_NE(message.front(), '[') << message;
  EXPECT_FALSE(query.Active());
  EXPECT_TRUE(connection.Connected());

  SetServerMode("none");
  EXPECT_TRUE(std::regex_match(RunBackup(query, "QEL", ToDirArgument()), std::regex(R"(QEL_.*\.bak)")));
}

TEST_F(ServerTest, StatementWithoutResultSetIsAnError) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery());
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();

  SetServerMode("no-result");
  EXPECT_EQ(QueryFailure(query), "CommandText does not return a result set");
  EXPECT_FALSE(query.Active());
  EXPECT_TRUE(connection.Connected());
}

TEST_F(ServerTest, SlowServerRunsIntoTheCommandTimeout) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery(2s));
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();

  SetServerMode("slow=30");
  const auto start = std::chrono::steady_clock::now();
  const std::string message = QueryFailure(query);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_NE(message, "(no error)");
  EXPECT_GE(elapsed, 2s);
  EXPECT_LT(elapsed, 10s) << "the time-out must end the wait";
  EXPECT_FALSE(query.Active());

  // A later run on the same objects works, through a new connection if the old one was given up.
  SetServerMode("none");
  if (!connection.Connected()) {
    connection.Open();
  }
  EXPECT_TRUE(std::regex_match(RunBackup(query, "QEL", ToDirArgument()), std::regex(R"(QEL_.*\.bak)")));
}

TEST_F(ServerTest, DroppedConnectionIsReportedAndClosed) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery(10s));
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();

  SetServerMode("drop");
  const auto start = std::chrono::steady_clock::now();
  const std::string message = QueryFailure(query);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_NE(message, "(no error)");
  EXPECT_EQ(message.find("[FreeTDS]"), std::string::npos) << message;
  // A lost connection counts as closed, so that the next backup connects afresh.
  EXPECT_FALSE(connection.Connected());

  SetServerMode("none");
  connection.Open();
  EXPECT_TRUE(std::regex_match(RunBackup(query, "QEL", ToDirArgument()), std::regex(R"(QEL_.*\.bak)")));
}

TEST_F(ServerTest, SeparatorsAndQuotesInCredentialsAndValues) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery());
  connection.SetConnectionString(ConnectionString(kOddUser, kOddPassword));
  connection.Open();
  ASSERT_TRUE(connection.Connected());

  // A directory whose name would end a quoted SQL literal if values were pasted into the text.
  const std::string oddDir = "it's; x";
  fs::create_directories(WorkDir() / "bak" / oddDir);
  const std::string name = RunBackup(query, "QEL", ToDirArgument() + "\\" + oddDir);
  EXPECT_TRUE(fs::exists(WorkDir() / "bak" / oddDir / name)) << name;

  // The user name alone is not enough: the same password with a cut-off user name is refused.
  db::Connection other(kDriver);
  other.SetConnectionString(ConnectionString("o'brien", kOddPassword));
  EXPECT_NE(OpenFailure(other).find("Login failed"), std::string::npos);
}

TEST_F(ServerTest, StatementOtherThanAPlainCallRunsAsParameterisedText) {
  // Not a plain "EXECUTE name ?, ?": sent as text with "?" markers, the values bound beside it.
  db::QueryDefinition definition = db::CreateBakFileQuery();
  definition.statement = "EXECUTE CreateBakFile @ToDir = :ToDir, @DB = :DB";
  db::Connection connection(kDriver);
  db::Query query(connection, definition);
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();
  const std::string oddDir = "o'neil";
  fs::create_directories(WorkDir() / "bak" / oddDir);
  const std::string name = RunBackup(query, "QEL", ToDirArgument() + "\\" + oddDir);
  EXPECT_TRUE(fs::exists(WorkDir() / "bak" / oddDir / name)) << name;
}

TEST_F(ServerTest, DatabaseNameWithSpaces) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery());
  connection.SetConnectionString(ConnectionString(kUser, kPassword, "Shop Archive"));
  connection.Open();
  const std::string name = RunBackup(query, "Shop Archive", ToDirArgument());
  // The stand-in names the file after the database, with "_" for the blank.
  EXPECT_EQ(name.rfind("Shop_Archive_", 0), 0u) << name;
  EXPECT_TRUE(fs::exists(WorkDir() / "bak" / name)) << name;
}

}  // namespace
