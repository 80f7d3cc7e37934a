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

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The accounts and databases of tests/odbc/tds_server.conf.
constexpr const char* kUser = "dumpwarden";
constexpr const char* kPassword = "Bak-Up-2024";
constexpr const char* kOddUser = "o'brien;\"admin\"";
constexpr const char* kOddPassword = "pa;ss\"w'rd=}{x";
constexpr const char* kDriver = "FreeTDS";

fs::path g_work;
std::string g_toDir;

std::string ReadPort() {
  std::ifstream file(g_work / "port");
  std::string port;
  file >> port;
  return port;
}

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(g_work.empty() || g_toDir.empty()) << "start with --work=DIR --todir=WINDOWS_PATH";
    port_ = ReadPort();
    ASSERT_FALSE(port_.empty()) << "no port file in " << g_work.string() << ": is the server fixture running?";
    SetMode("none");
  }
  void TearDown() override { SetMode("none"); }

  // The server reads the file before every login and request.
  static void SetMode(const std::string& mode) {
    std::ofstream file(g_work / "mode", std::ios::trunc);
    file << mode << "\n";
  }

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

std::string QueryFailure(db::Query& query, const std::string& toDir = g_toDir) {
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

  const std::string name = RunBackup(query, "QEL", g_toDir);
  // A second backup within the same second gets a numbered name rather than overwriting the first.
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(QEL_\d{8}_\d{6}(_\d+)?\.bak)"))) << name;
  const fs::path file = g_work / "bak" / name;
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
  SetMode("login");
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  EXPECT_EQ(OpenFailureKind(connection), db::FailureKind::serverRefused) << "every login refused";
  SetMode("none");
  connection.SetConnectionString(db::BuildConnectionString(kPassword, kUser, "QEL", "127.0.0.1,1"));
  EXPECT_EQ(OpenFailureKind(connection), db::FailureKind::serverUnreachable) << "nothing listening";
}

TEST_F(ServerTest, ProcedureErrorIsRaisedAndTheConnectionStaysUsable) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery());
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();

  SetMode("proc-error");
  const std::string message = QueryFailure(query);
  EXPECT_NE(message, "(no error)");
  EXPECT_NE(message.front(), '[') << message;
  EXPECT_FALSE(query.Active());
  EXPECT_TRUE(connection.Connected());

  SetMode("none");
  EXPECT_TRUE(std::regex_match(RunBackup(query, "QEL", g_toDir), std::regex(R"(QEL_.*\.bak)")));
}

TEST_F(ServerTest, StatementWithoutResultSetIsAnError) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery());
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();

  SetMode("no-result");
  EXPECT_EQ(QueryFailure(query), "CommandText does not return a result set");
  EXPECT_FALSE(query.Active());
  EXPECT_TRUE(connection.Connected());
}

TEST_F(ServerTest, SlowServerRunsIntoTheCommandTimeout) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery(2s));
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();

  SetMode("slow=30");
  const auto start = std::chrono::steady_clock::now();
  const std::string message = QueryFailure(query);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_NE(message, "(no error)");
  EXPECT_GE(elapsed, 2s);
  EXPECT_LT(elapsed, 10s) << "the time-out must end the wait";
  EXPECT_FALSE(query.Active());

  // A later run on the same objects works, through a new connection if the old one was given up.
  SetMode("none");
  if (!connection.Connected()) {
    connection.Open();
  }
  EXPECT_TRUE(std::regex_match(RunBackup(query, "QEL", g_toDir), std::regex(R"(QEL_.*\.bak)")));
}

TEST_F(ServerTest, DroppedConnectionIsReportedAndClosed) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery(10s));
  connection.SetConnectionString(ConnectionString(kUser, kPassword));
  connection.Open();

  SetMode("drop");
  const auto start = std::chrono::steady_clock::now();
  const std::string message = QueryFailure(query);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_NE(message, "(no error)");
  EXPECT_EQ(message.find("[FreeTDS]"), std::string::npos) << message;
  // A lost connection counts as closed, so that the next backup connects afresh.
  EXPECT_FALSE(connection.Connected());

  SetMode("none");
  connection.Open();
  EXPECT_TRUE(std::regex_match(RunBackup(query, "QEL", g_toDir), std::regex(R"(QEL_.*\.bak)")));
}

TEST_F(ServerTest, SeparatorsAndQuotesInCredentialsAndValues) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery());
  connection.SetConnectionString(ConnectionString(kOddUser, kOddPassword));
  connection.Open();
  ASSERT_TRUE(connection.Connected());

  // A directory whose name would end a quoted SQL literal if values were pasted into the text.
  const std::string oddDir = "it's; x";
  fs::create_directories(g_work / "bak" / oddDir);
  const std::string name = RunBackup(query, "QEL", g_toDir + "\\" + oddDir);
  EXPECT_TRUE(fs::exists(g_work / "bak" / oddDir / name)) << name;

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
  fs::create_directories(g_work / "bak" / oddDir);
  const std::string name = RunBackup(query, "QEL", g_toDir + "\\" + oddDir);
  EXPECT_TRUE(fs::exists(g_work / "bak" / oddDir / name)) << name;
}

TEST_F(ServerTest, DatabaseNameWithSpaces) {
  db::Connection connection(kDriver);
  db::Query query(connection, db::CreateBakFileQuery());
  connection.SetConnectionString(ConnectionString(kUser, kPassword, "Shop Archive"));
  connection.Open();
  const std::string name = RunBackup(query, "Shop Archive", g_toDir);
  // The stand-in names the file after the database, with "_" for the blank.
  EXPECT_EQ(name.rfind("Shop_Archive_", 0), 0u) << name;
  EXPECT_TRUE(fs::exists(g_work / "bak" / name)) << name;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--work=", 0) == 0) {
      g_work = fs::path(arg.substr(7));
    } else if (arg.rfind("--todir=", 0) == 0) {
      g_toDir = arg.substr(8);
    }
  }
  return RUN_ALL_TESTS();
}
