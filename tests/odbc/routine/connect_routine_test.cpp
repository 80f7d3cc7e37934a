// The connection routine against the stand-in TDS server, with a scripted dialog in place of the
// operator. Started by ctest with --work=DIR (the server's work folder, as this program sees it).
#include "db/connect_routine.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/credentials_file.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "support/server_fixture.h"

namespace {

using namespace odbc_test;

namespace fs = std::filesystem;
using db::ConnectOutcome;
using db::DialogEntries;
using db::DialogMode;
using db::DialogRequest;
using testing_support::MakeDir;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

constexpr const char* kComputer = "DW-TEST-PC";


// One answer of the operator: the dialog must come in `mode`; `answer` nullopt is Cancel.
struct Step {
  DialogMode mode;
  std::optional<DialogEntries> answer;
  std::function<void(const DialogRequest&)> check = nullptr;  // runs while the dialog is up
};

class ScriptedHost;

class ScriptedDialog final : public db::ConnectionDialog {
 public:
  explicit ScriptedDialog(ScriptedHost& host) : host_(host) {}
  std::optional<DialogEntries> ShowModal(const DialogRequest& request) override;

 private:
  ScriptedHost& host_;
};

class ScriptedHost final : public db::ConnectHost {
 public:
  std::unique_ptr<db::ConnectionDialog> MakeConnectionDialog(bool ownedByApplication) override {
    dialogsOwned.push_back(ownedByApplication);
    return std::make_unique<ScriptedDialog>(*this);
  }
  void ShowErrorBox(const std::string& text) override { errorBoxes.push_back(text); }
  void ShowDefaultErrorBox(const std::string& message) override { defaultBoxes.push_back(message); }
  void RestoreApp() override { ++restores; }
  void RequestTermination() override { ++terminations; }
  void EnableCommands() override { ++enables; }

  std::deque<Step> script;
  std::vector<DialogRequest> shown;
  std::vector<bool> dialogsOwned;
  std::vector<std::string> errorBoxes;
  std::vector<std::string> defaultBoxes;
  int restores = 0;
  int terminations = 0;
  int enables = 0;
};

std::optional<DialogEntries> ScriptedDialog::ShowModal(const DialogRequest& request) {
  host_.shown.push_back(request);
  if (host_.script.empty()) {
    ADD_FAILURE() << "a dialog nobody expected, mode " << static_cast<int>(request.mode);
    return std::nullopt;
  }
  Step step = host_.script.front();
  host_.script.pop_front();
  EXPECT_EQ(request.mode, step.mode) << "dialog " << host_.shown.size();
  if (step.check) {
    step.check(request);
  }
  return step.answer;
}

DialogEntries ServerAnswer(const std::string& server, const std::string& database) {
  DialogEntries e;
  e.server = server;
  e.database = database;
  return e;
}

DialogEntries LoginAnswer(const std::string& user, const std::string& password) {
  DialogEntries e;
  e.user = user;
  e.password = password;
  return e;
}

class ConnectRoutineTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_FALSE(WorkDir().empty()) << "start with --work=DIR";
    port_ = ReadPort();
    ASSERT_FALSE(port_.empty()) << "no port file in " << WorkDir().string() << ": is the server fixture running?";
    SetServerMode("none");
    MakeDir(dir.Path() + "\\Connect");
  }
  void TearDown() override { SetServerMode("none"); }

  [[nodiscard]] std::string Server() const { return "127.0.0.1," + port_; }
  void WriteConnectIni(const std::string& server, const std::string& database = "QEL") const {
    WriteBytes(routine.ConnectIniPath(), "[Connect]\r\nServer=" + server + "\r\nDB=" + database + "\r\n");
  }
  void WriteDataDat(const std::string& user, const std::string& password, const std::string& computer = kComputer) {
    db::WriteCredentialsFile(routine.DataDatPath(), computer, db::Credentials{user, password});
  }
  [[nodiscard]] std::optional<db::Credentials> StoredCredentials() const {
    return db::ReadCredentialsFile(routine.DataDatPath(), kComputer);
  }
  [[nodiscard]] bool DataDatExists() const { return platform::FileExists(routine.DataDatPath()); }

  TempDir dir;
  ScriptedHost host;
  db::Connection connection;
  std::string databaseName;
  std::string userName;
  std::uint8_t timeIndex = 0;
  db::ConnectRoutine routine{host, connection, dir.Path(), kComputer,
                             db::SessionState{databaseName, userName, timeIndex}};
  std::string port_;
};

TEST_F(ConnectRoutineTest, FirstStartAsksForServerThenLoginConnectsAndStoresAndTheNextStartAsksNothing) {
  WriteBytes(routine.ConnectIniPath(), "");
  host.script = {
      {DialogMode::server, ServerAnswer(Server(), "QEL"),
       [](const DialogRequest& r) {
         EXPECT_TRUE(r.entries.server.empty());
         EXPECT_TRUE(r.entries.database.empty());
       }},
      {DialogMode::login, LoginAnswer(kUser, kPassword),
       [](const DialogRequest& r) {
         EXPECT_TRUE(r.entries.user.empty()) << "the routine's login dialog starts empty";
         EXPECT_TRUE(r.entries.password.empty());
         EXPECT_FALSE(r.selectUser);
       }},
  };
  timeIndex = 200;
  EXPECT_EQ(routine.Connect_DB(), ConnectOutcome::connected);
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(host.shown.size(), 2u);
  EXPECT_TRUE(host.errorBoxes.empty());
  EXPECT_EQ(host.restores, 1) << "the application comes back from the tray for the login";
  EXPECT_EQ(host.enables, 1);
  EXPECT_EQ(host.terminations, 0);
  EXPECT_EQ(timeIndex, 1);
  EXPECT_EQ(userName, kUser);
  EXPECT_EQ(databaseName, "QEL");
  EXPECT_EQ(host.dialogsOwned, std::vector<bool>{true});
  const auto stored = StoredCredentials();
  ASSERT_TRUE(stored.has_value()) << "typed credentials are stored after the successful open";
  EXPECT_EQ(stored->userName, kUser);
  EXPECT_EQ(stored->password, kPassword);

  connection.Close();
  host.shown.clear();
  EXPECT_EQ(routine.Connect_DB(), ConnectOutcome::connected);
  EXPECT_TRUE(host.shown.empty()) << "the second start asks nothing";
  EXPECT_EQ(host.restores, 1);
  EXPECT_EQ(host.enables, 2);
}

TEST_F(ConnectRoutineTest, AWrongStoredPasswordGivesOneErrorBoxDeletesDataDatAndAsksOnlyForTheCredentials) {
  WriteConnectIni(Server());
  WriteDataDat(kUser, "old-password");
  host.script = {{DialogMode::login, LoginAnswer(kUser, kPassword), [this](const DialogRequest&) {
                    EXPECT_FALSE(DataDatExists()) << "the refused credentials are gone before the operator is asked";
                  }}};
  EXPECT_EQ(routine.Connect_DB(), ConnectOutcome::connected);
  ASSERT_EQ(host.errorBoxes.size(), 1u);
  EXPECT_NE(host.errorBoxes[0].find("Login failed for user"), std::string::npos) << host.errorBoxes[0];
  EXPECT_EQ(host.shown.size(), 1u) << "server and database are not asked again";
  EXPECT_EQ(StoredCredentials()->password, kPassword) << "the new password is stored";
  EXPECT_EQ(host.enables, 1);
}

TEST_F(ConnectRoutineTest, AnUnknownDatabaseIsARefusalToo) {
  WriteConnectIni(Server(), "NoSuchDb");
  WriteDataDat(kUser, kPassword);
  host.script = {{DialogMode::login, std::nullopt}};
  EXPECT_EQ(routine.Connect_DB(), ConnectOutcome::cancelled);
  ASSERT_EQ(host.errorBoxes.size(), 1u);
  EXPECT_NE(host.errorBoxes[0].find("NoSuchDb"), std::string::npos) << host.errorBoxes[0];
  EXPECT_FALSE(DataDatExists());
}

TEST_F(ConnectRoutineTest, AServerThatCannotBeReachedKeepsTheStoredCredentials) {
  WriteConnectIni("127.0.0.1,1");  // nothing listens there
  WriteDataDat(kUser, kPassword);
  const std::string before = ReadBytes(routine.DataDatPath());
  host.script = {{DialogMode::login, std::nullopt, [this](const DialogRequest&) { EXPECT_TRUE(DataDatExists()); }}};
  EXPECT_EQ(routine.Connect_DB(), ConnectOutcome::cancelled);
  ASSERT_EQ(host.errorBoxes.size(), 1u) << "the box and the login dialog still come";
  EXPECT_FALSE(host.errorBoxes[0].empty());
  EXPECT_EQ(ReadBytes(routine.DataDatPath()), before);
  EXPECT_EQ(host.terminations, 1);
  EXPECT_EQ(host.enables, 0);
  EXPECT_FALSE(connection.Connected());
}

TEST_F(ConnectRoutineTest, StoredCredentialsThatDoNotApplyAreAskedForAgain) {
  struct Case {
    const char* what;
    std::function<void(ConnectRoutineTest&)> prepare;
  };
  const std::vector<Case> cases = {
      {"written on another computer", [](ConnectRoutineTest& t) { t.WriteDataDat(kUser, kPassword, "OTHER-PC"); }},
      {"without its first separator",
       [](ConnectRoutineTest& t) { WriteBytes(t.routine.DataDatPath(), db::Encode_Str(kComputer) + "\r\n"); }},
      {"missing", [](ConnectRoutineTest&) {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::RemoveFile(routine.DataDatPath());
    WriteConnectIni(Server());
    c.prepare(*this);
    connection.Close();
    host.errorBoxes.clear();
    host.script = {{DialogMode::login, LoginAnswer(kUser, kPassword)}};
    EXPECT_EQ(routine.Connect_DB(), ConnectOutcome::connected);
    EXPECT_TRUE(host.script.empty()) << "the login dialog was shown";
    EXPECT_TRUE(host.errorBoxes.empty());
    const auto stored = StoredCredentials();
    ASSERT_TRUE(stored.has_value()) << "rewritten for this computer";
    EXPECT_EQ(stored->userName, kUser);
  }
}

TEST_F(ConnectRoutineTest, AnUnreadableDataDatLetsTheIoErrorEscapeWithoutADialog) {
  WriteConnectIni(Server());
  // Far larger than any credentials file: the reader refuses it instead of loading it.
  WriteBytes(routine.DataDatPath(), std::string((16u << 20) + 1, 'x'));
  EXPECT_THROW(routine.Connect_DB(), db::IoError);
  EXPECT_TRUE(host.shown.empty());
  EXPECT_EQ(host.terminations, 0);
  EXPECT_EQ(host.enables, 0);
  EXPECT_TRUE(DataDatExists()) << "an unreadable file is not deleted";
}

TEST_F(ConnectRoutineTest, CancelInEitherModeRequestsTerminationWithoutAConnection) {
  WriteBytes(routine.ConnectIniPath(), "[Connect]\r\nServer=" + Server() + "\r\n");  // DB missing
  host.script = {{DialogMode::server, std::nullopt}};
  EXPECT_EQ(routine.Connect_DB(), ConnectOutcome::cancelled);
  EXPECT_EQ(host.terminations, 1);
  EXPECT_EQ(host.restores, 0);

  WriteConnectIni(Server());
  host.script = {{DialogMode::login, std::nullopt}};
  EXPECT_EQ(routine.Connect_DB(), ConnectOutcome::cancelled);
  EXPECT_EQ(host.terminations, 2);
  EXPECT_EQ(host.enables, 0);
  EXPECT_FALSE(connection.Connected());
  EXPECT_FALSE(DataDatExists());
  EXPECT_TRUE(userName.empty());
}

TEST_F(ConnectRoutineTest, ARefusedConnectIniWriteShowsTheDefaultBoxAndTheServerDialogAgainWithWhatWasTyped) {
  TempDir bare;  // no Connect folder: Connect.ini cannot be written
  db::ConnectRoutine noFolder{host, connection, bare.Path(), kComputer,
                              db::SessionState{databaseName, userName, timeIndex}};
  const DialogEntries typed = ServerAnswer(Server(), "QEL");
  host.script = {{DialogMode::server, typed},
                 {DialogMode::server, std::nullopt, [&](const DialogRequest& r) {
                    EXPECT_EQ(r.entries.server, typed.server);
                    EXPECT_EQ(r.entries.database, typed.database);
                  }}};
  EXPECT_EQ(noFolder.Connect_DB(), ConnectOutcome::cancelled);
  ASSERT_EQ(host.defaultBoxes.size(), 1u);
  EXPECT_EQ(host.defaultBoxes[0], "Unable to write to " + noFolder.ConnectIniPath());
  EXPECT_TRUE(host.errorBoxes.empty());
}

TEST_F(ConnectRoutineTest, DataDatThatCannotBeWrittenAfterTheOpenCountsAsAFailedAttempt) {
  WriteConnectIni(Server());
  MakeDir(routine.DataDatPath());  // a folder in the file's place: not read, and not writable as a file
  host.script = {{DialogMode::login, LoginAnswer(kUser, kPassword)},
                 {DialogMode::login, std::nullopt}};
  EXPECT_EQ(routine.Connect_DB(), ConnectOutcome::cancelled);
  EXPECT_EQ(host.errorBoxes.size(), 1u);
  EXPECT_EQ(host.enables, 0) << "the commands are not enabled";
  EXPECT_FALSE(connection.Connected()) << "no connection is left open behind the dialog";
  EXPECT_TRUE(userName.empty());
}

TEST_F(ConnectRoutineTest, TheLoginCommandPreFillsTheLastUserAndOddCredentialsReachTheServerIntact) {
  WriteConnectIni(Server());
  WriteDataDat(kUser, kPassword);
  ASSERT_EQ(routine.Connect_DB(), ConnectOutcome::connected);
  ASSERT_EQ(userName, kUser);

  host.script = {{DialogMode::login, LoginAnswer(kOddUser, kOddPassword), [](const DialogRequest& r) {
                    EXPECT_EQ(r.entries.user, kUser);
                    EXPECT_TRUE(r.selectUser);
                    EXPECT_TRUE(r.entries.password.empty());
                  }}};
  host.dialogsOwned.clear();
  const auto outcome = routine.Login();
  ASSERT_TRUE(outcome.has_value());
  EXPECT_EQ(*outcome, ConnectOutcome::connected);
  EXPECT_TRUE(host.errorBoxes.empty()) << (host.errorBoxes.empty() ? "" : host.errorBoxes[0]);
  EXPECT_EQ(userName, kOddUser);
  EXPECT_EQ(host.dialogsOwned, (std::vector<bool>{false, true})) << "the command's dialog has no owner";
  EXPECT_EQ(StoredCredentials()->password, kOddPassword);

  host.script = {{DialogMode::login, std::nullopt,
                  [](const DialogRequest& r) { EXPECT_EQ(r.entries.user, kOddUser); }}};
  const int enablesBefore = host.enables;
  EXPECT_FALSE(routine.Login().has_value()) << "Cancel in the command's own dialog changes nothing";
  EXPECT_EQ(host.terminations, 0);
  EXPECT_EQ(host.enables, enablesBefore);
}

TEST_F(ConnectRoutineTest, CancellingTheRoutinesDialogDuringALoginCommandEndsTheProgram) {
  WriteConnectIni(Server());
  SetServerMode("login");  // the server refuses every login now
  host.script = {{DialogMode::login, LoginAnswer(kUser, kPassword)}, {DialogMode::login, std::nullopt}};
  const auto outcome = routine.Login();
  ASSERT_TRUE(outcome.has_value());
  EXPECT_EQ(*outcome, ConnectOutcome::cancelled);
  EXPECT_EQ(host.terminations, 1);
  EXPECT_EQ(host.errorBoxes.size(), 1u);
  EXPECT_FALSE(DataDatExists()) << "the refused credentials the command stored are deleted";
}

}  // namespace
