// Through the real client stack, unixODBC with FreeTDS's driver, the way the program reaches the
// server: logins, CreateBakFile with bound parameters in every call form and TDS version, the fail
// modes, and a clean stop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "support/odbc_client.h"
#include "support/raw_tds_client.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace dw::tds::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uint64_t kBakSize = 123457;

std::u16string wide(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

class OdbcEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (::access(kFreeTdsDriver, R_OK) != 0) {
            GTEST_SKIP() << "FreeTDS ODBC driver not installed at " << kFreeTdsDriver;
        }
    }

    OdbcEndToEnd()
        : server({"--user", "sa", "--password", "dumpwarden", "--user", "we;ird'\"user", "--password", "p;w}d'\"x {y}",
                  "--database", "QEL", "--database", "My Shop", "--bak-size", std::to_string(kBakSize), "--map",
                  "Z:\\=/"})
    {
        fs::create_directory(server.dir().path() / "bak");
    }

    std::string connection(const std::string& user = "sa", const std::string& password = "dumpwarden",
                           const std::string& database = "QEL", const std::string& version = "7.4") const
    {
        return freetds_connection_string(server.port(), user, password, database, version);
    }

    std::string bak_dir() const { return (server.dir().path() / "bak").string(); }
    // The same directory as a program under Wine names it.
    std::u16string bak_dir_as_windows_path() const
    {
        std::string path = "Z:" + bak_dir();
        std::replace(path.begin(), path.end(), '/', '\\');
        return wide(path);
    }

    void expect_backup_file(const OdbcOutcome& outcome, const std::string& db_part) const
    {
        ASSERT_TRUE(outcome.ok) << outcome.diagnostics << server.log_text();
        ASSERT_TRUE(outcome.first_value.has_value()) << server.log_text();
        const std::string& name = *outcome.first_value;
        EXPECT_TRUE(std::regex_match(name, std::regex(db_part + "_[0-9]{8}_[0-9]{6}(_[0-9]+)?\\.bak"))) << name;
        const fs::path file = fs::path(bak_dir()) / name;
        ASSERT_TRUE(fs::exists(file)) << name;
        EXPECT_EQ(fs::file_size(file), kBakSize);
    }

    ServerProcess server;
};

TEST_F(OdbcEndToEnd, CallsCreateBakFileInEveryFormAtEveryTdsVersion)
{
    for (const char* version : {"7.0", "7.1", "7.2", "7.3", "7.4"}) {
        OdbcClient client;
        const OdbcOutcome login = client.connect(connection("sa", "dumpwarden", "QEL", version));
        ASSERT_TRUE(login.ok) << version << "\n" << login.diagnostics;
        for (const char* call : {"{call CreateBakFile(?, ?)}", "EXECUTE CreateBakFile ?, ?",
                                 "EXEC CreateBakFile @DB = ?, @ToDir = ?"}) {
            SCOPED_TRACE(std::string(version) + " " + call);
            expect_backup_file(client.call(call, u"QEL", bak_dir_as_windows_path()), "QEL");
        }
    }
}

TEST_F(OdbcEndToEnd, TakesInlinedLiteralsWithDoubledQuotesAndPlainLocalPaths)
{
    fs::create_directory(fs::path(bak_dir()) / "it's");
    OdbcClient client;
    ASSERT_TRUE(client.connect(connection()).ok);
    const OdbcOutcome outcome =
        client.execute("EXECUTE CreateBakFile N'QEL', N'" + bak_dir() + "/it''s'");
    ASSERT_TRUE(outcome.ok) << outcome.diagnostics;
    ASSERT_TRUE(outcome.first_value.has_value());
    EXPECT_TRUE(fs::exists(fs::path(bak_dir()) / "it's" / *outcome.first_value));
}

TEST_F(OdbcEndToEnd, RefusesWrongCredentialsAndUnknownDatabasesWithSqlServersTexts)
{
    {
        OdbcClient client;
        const OdbcOutcome outcome = client.connect(connection("sa", "wrong"));
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.diagnostics.find("Login failed for user 'sa'."), std::string::npos) << outcome.diagnostics;
    }
    {
        OdbcClient client;
        const OdbcOutcome outcome = client.connect(connection("nobody", "dumpwarden"));
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.diagnostics.find("Login failed for user 'nobody'."), std::string::npos);
    }
    {
        OdbcClient client;
        const OdbcOutcome outcome = client.connect(connection("sa", "dumpwarden", "Nope"));
        EXPECT_FALSE(outcome.ok);
        EXPECT_NE(outcome.diagnostics.find("Cannot open database \"Nope\" requested by the login. The login failed."),
                  std::string::npos)
            << outcome.diagnostics;
    }
    const std::string log = server.log_text();
    EXPECT_NE(log.find("wrong password"), std::string::npos);
    EXPECT_EQ(log.find("wrong\""), std::string::npos) << "the log must never show a password";
}

TEST_F(OdbcEndToEnd, QuotedCredentialsAndADatabaseNameWithSpaces)
{
    OdbcClient client;
    const OdbcOutcome login = client.connect(connection("we;ird'\"user", "p;w}d'\"x {y}", "my shop"));
    ASSERT_TRUE(login.ok) << login.diagnostics << server.log_text();
    expect_backup_file(client.call("{call CreateBakFile(?, ?)}", u"My Shop", bak_dir_as_windows_path()), "My_Shop");
    EXPECT_EQ(server.log_text().find("p;w}d"), std::string::npos) << "the log must never show a password";
}

TEST_F(OdbcEndToEnd, ReportsProcedureErrorsLikeSqlServer)
{
    OdbcClient client;
    ASSERT_TRUE(client.connect(connection()).ok);
    const OdbcOutcome missing_dir = client.call("{call CreateBakFile(?, ?)}", u"QEL", u"Z:\\no\\such\\dir");
    EXPECT_FALSE(missing_dir.ok);
    EXPECT_NE(missing_dir.diagnostics.find("Cannot open backup device 'Z:\\no\\such\\dir\\QEL_"), std::string::npos)
        << missing_dir.diagnostics;
    EXPECT_NE(missing_dir.diagnostics.find("Operating system error 3(The system cannot find the path specified.)."),
              std::string::npos);

    const OdbcOutcome unknown_proc = client.call("EXECUTE NoSuchProc ?, ?", u"QEL", bak_dir_as_windows_path());
    EXPECT_FALSE(unknown_proc.ok);
    EXPECT_NE(unknown_proc.diagnostics.find("Could not find stored procedure 'NoSuchProc'."), std::string::npos)
        << unknown_proc.diagnostics;

    const OdbcOutcome after = client.call("{call CreateBakFile(?, ?)}", u"QEL", bak_dir_as_windows_path());
    expect_backup_file(after, "QEL");
}

TEST_F(OdbcEndToEnd, FailModesSwitchWhileTheServerRuns)
{
    OdbcClient client;
    ASSERT_TRUE(client.connect(connection()).ok);
    const auto call = [&] { return client.call("{call CreateBakFile(?, ?)}", u"QEL", bak_dir_as_windows_path()); };

    server.set_fail_mode("proc-error");
    const OdbcOutcome error = call();
    EXPECT_FALSE(error.ok);
    EXPECT_NE(error.diagnostics.find("CreateBakFile failed"), std::string::npos) << error.diagnostics;

    // ODBC reports a statement without any result as SQL_NO_DATA, not as an error.
    server.set_fail_mode("no-result");
    const OdbcOutcome no_result = call();
    EXPECT_EQ(no_result.return_code, SQL_NO_DATA) << no_result.diagnostics;
    EXPECT_FALSE(no_result.first_value.has_value());

    server.set_fail_mode("slow=1");
    const auto started = std::chrono::steady_clock::now();
    expect_backup_file(call(), "QEL");
    EXPECT_GE(std::chrono::steady_clock::now() - started, 1s);

    server.set_fail_mode("login");
    OdbcClient refused;
    const OdbcOutcome login = refused.connect(connection());
    EXPECT_FALSE(login.ok);
    EXPECT_NE(login.diagnostics.find("Login failed for user 'sa'."), std::string::npos);

    server.set_fail_mode("drop");
    const OdbcOutcome dropped = call();
    EXPECT_FALSE(dropped.ok);

    server.set_fail_mode("none");
    OdbcClient fresh;
    ASSERT_TRUE(fresh.connect(connection()).ok) << "the server serves on after a drop";
    expect_backup_file(fresh.call("{call CreateBakFile(?, ?)}", u"QEL", bak_dir_as_windows_path()), "QEL");
}

TEST_F(OdbcEndToEnd, AQueryTimeOutCancelsASlowAnswerAndTheConnectionGoesOn)
{
    OdbcClient client;
    ASSERT_TRUE(client.connect(connection()).ok);
    server.set_fail_mode("slow=5");
    const auto started = std::chrono::steady_clock::now();
    const OdbcOutcome timed_out = client.call("{call CreateBakFile(?, ?)}", u"QEL", bak_dir_as_windows_path(), 1);
    EXPECT_FALSE(timed_out.ok);
    EXPECT_NE(timed_out.diagnostics.find("HYT00"), std::string::npos) << timed_out.diagnostics;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4s);
    EXPECT_TRUE(fs::is_empty(bak_dir())) << "a cancelled call writes nothing";

    server.set_fail_mode("none");
    expect_backup_file(client.call("{call CreateBakFile(?, ?)}", u"QEL", bak_dir_as_windows_path()), "QEL");
}

TEST_F(OdbcEndToEnd, AnswersTheStatementsADriverSendsOnItsOwn)
{
    OdbcClient client;
    ASSERT_TRUE(client.connect(connection()).ok);
    const OdbcOutcome select = client.execute("SET NOCOUNT ON; SELECT @@spid, DB_NAME() AS db");
    ASSERT_TRUE(select.ok) << select.diagnostics;
    EXPECT_EQ(select.columns, 2);
    EXPECT_TRUE(client.execute("USE [My Shop]").ok);
    const OdbcOutcome db = client.execute("SELECT DB_NAME()");
    EXPECT_EQ(db.first_value, "My Shop");
    const OdbcOutcome unknown = client.execute("USE Nope");
    EXPECT_FALSE(unknown.ok);
    EXPECT_NE(unknown.diagnostics.find("Database 'Nope' does not exist."), std::string::npos);
    const OdbcOutcome unsupported = client.execute("DELETE FROM customers");
    EXPECT_FALSE(unsupported.ok);
    EXPECT_NE(unsupported.diagnostics.find("stand-in"), std::string::npos) << unsupported.diagnostics;
}

TEST_F(OdbcEndToEnd, StopsCleanlyOnSigtermWithClientsConnected)
{
    OdbcClient client;
    ASSERT_TRUE(client.connect(connection()).ok);
    RawConnection idle(server.port());
    ASSERT_TRUE(log_in(idle).has_value());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(server.stop(3000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_TRUE(idle.closed_by_server(1s));
}

TEST(OdbcLimits, ClientsBeyondTheLimitAreClosedAtOnce)
{
    ServerProcess server({"--max-clients", "1"});
    RawConnection first(server.port());
    ASSERT_TRUE(log_in(first).has_value());
    OdbcClient second;
    EXPECT_FALSE(second.connect(freetds_connection_string(server.port(), "sa", "dumpwarden", "QEL")).ok);
    EXPECT_NE(server.log_text().find("refused already serving 1 clients"), std::string::npos) << server.log_text();
}

}  // namespace
}  // namespace dw::tds::test
