// The program's session as the main window drives it, natively: the stand-in SQL Server over
// ODBC, the stand-in archiver as a real process, real files, and a scripted window side in place
// of the tray icon, the panel and the dialogs. The wall clock the schedule compares with is a
// fake one, so that the next time armed never depends on the hour the test runs at.
// Started by ctest with --work=DIR (the server's work folder).
#include "app/session.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/credentials_file.h"
#include "platform/files.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"
#include "support/server_fixture.h"

namespace {

using namespace odbc_test;

namespace fs = std::filesystem;
using backup::BalloonIcon;
using backup::RunEnd;
using db::DialogEntries;
using db::DialogMode;
using db::DialogRequest;
using testing_support::FakeClock;
using testing_support::ListDir;
using testing_support::MakeDir;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

constexpr const char* kComputer = "DW-SESSION-PC";
constexpr const char* kCheckup = "Checkup of connection is completed successfully!!!";
constexpr const char* kCreated = "Bakup of database \"QEL\" is created.";


// The operator's answer to one dialog; nullopt is Cancel. `during` runs while the dialog is up,
// as a tick of the alarm clock does inside a modal loop.
struct DialogStep {
  DialogMode mode;
  std::optional<DialogEntries> answer;
  std::function<void()> during = nullptr;
};

class ScriptedWindow;

class ScriptedDialog final : public db::ConnectionDialog {
 public:
  explicit ScriptedDialog(ScriptedWindow& window) : window_(window) {}
  std::optional<DialogEntries> ShowModal(const DialogRequest& request) override;

 private:
  ScriptedWindow& window_;
};

// Everything the session shows or asks, recorded in the order it happened.
class ScriptedWindow final : public app::SessionWindow {
 public:
  std::unique_ptr<db::ConnectionDialog> MakeConnectionDialog(bool) override {
    return std::make_unique<ScriptedDialog>(*this);
  }
  void ShowErrorBox(const std::string& text) override { events.push_back("error box: " + text); }
  void ShowDefaultErrorBox(const std::string& message) override { events.push_back("default box: " + message); }
  void RestoreApp() override { events.push_back("restore"); }
  void MinimizeApp() override { events.push_back("minimize"); }
  void ProcessMessages() override { ++messagePasses; }
  void RequestTermination() override { events.push_back("terminate"); }
  void EnableCommands() override { events.push_back("enable commands"); }
  void ShowBalloon(const backup::Balloon& balloon) override {
    balloons.push_back(balloon);
    events.push_back("balloon: " + balloon.text);
  }
  void ShowNextTime(const std::string& text) override { nextTimes.push_back(text); }

  [[nodiscard]] int Count(const std::string& event) const {
    int n = 0;
    for (const auto& e : events) {
      n += e == event ? 1 : 0;
    }
    return n;
  }

  std::deque<DialogStep> script;
  std::vector<DialogRequest> dialogs;
  std::vector<std::string> events;
  std::vector<backup::Balloon> balloons;
  std::vector<std::string> nextTimes;
  int messagePasses = 0;
};

std::optional<DialogEntries> ScriptedDialog::ShowModal(const DialogRequest& request) {
  window_.dialogs.push_back(request);
  if (window_.script.empty()) {
    ADD_FAILURE() << "a dialog nobody expected, mode " << static_cast<int>(request.mode);
    return std::nullopt;
  }
  DialogStep step = window_.script.front();
  window_.script.pop_front();
  EXPECT_EQ(request.mode, step.mode) << "dialog " << window_.dialogs.size();
  if (step.during) {
    step.during();
  }
  return step.answer;
}

DialogEntries LoginAnswer(const std::string& user, const std::string& password) {
  DialogEntries e;
  e.user = user;
  e.password = password;
  return e;
}

class SessionTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_FALSE(WorkDir().empty()) << "start with --work=DIR";
    port_ = ReadPort();
    ASSERT_FALSE(port_.empty()) << "no port file in " << WorkDir().string() << ": is the server fixture running?";
    SetServerMode("none");
    MakeDir(dir.Path() + "\\Connect");
    MakeDir(dir.Path() + "\\Bak_Info");
    MakeDir(BakDir());
    MakeDir(dir.File("mirror1"));
    MakeDir(dir.File("mirror2"));
    // A copy of the stand-in archiver of its own, so that its mode file is this test's alone.
    ASSERT_TRUE(platform::CopyFileOverwrite(DW_RAR_STANDIN, Archiver()));
    fs::permissions(testing_support::Native(Archiver()), fs::perms::owner_all);
    WriteBytes(dir.File("Connect\\Connect.ini"), "[Connect]\r\nServer=127.0.0.1," + port_ + "\r\nDB=QEL\r\n");
    db::WriteCredentialsFile(dir.File("Connect\\Data.dat"), kComputer, db::Credentials{kUser, kPassword});
    clock.Set(10, 0);
    WriteSettings({"09:00", "10:30", "23:00"});
  }
  void TearDown() override { SetServerMode("none"); }

  [[nodiscard]] std::string BakDir() const { return dir.File("bak"); }
  [[nodiscard]] std::string Archiver() const { return dir.File("dw_rar_standin"); }

  void WriteSettings(const std::vector<std::string>& times) const {
    std::string text = "[BAK]\r\nTimeCount=" + std::to_string(times.size()) + "\r\n";
    for (std::size_t i = 0; i < times.size(); ++i) {
      text += "Time_" + std::to_string(i + 1) + "=" + times[i] + "\r\n";
    }
    text += "BakDir=" + BakDir() + "\r\nRarProgram=" + Archiver() + "\r\n";
    text += "[copy]\r\ncount=2\r\ncopy1=" + dir.File("mirror1") + "\\\r\ncopy2=" + dir.File("mirror2") + "\\\r\n";
    WriteBytes(dir.File("Bak_Info\\Bak_Info.ini"), text);
  }
  void SetArchiverMode(const std::string& mode) const { WriteBytes(dir.File("dw_rar_standin.mode"), mode + "\n"); }

  // The last line of the history, or "" when there is none.
  [[nodiscard]] std::string LastHistoryLine() const {
    if (!platform::FileExists(session.HistoryPath())) {
      return "";
    }
    std::string text = ReadBytes(session.HistoryPath());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
      text.pop_back();
    }
    return text.substr(text.find_last_of('\n') == std::string::npos ? 0 : text.find_last_of('\n') + 1);
  }

  // The start-up check with everything in place: connected, the schedule armed.
  void StartConnected() {
    ASSERT_TRUE(session.StartupCheck());
    ASSERT_TRUE(session.CommandsEnabled());
    window.events.clear();
    window.balloons.clear();
  }

  TempDir dir;
  FakeClock clock;
  schedule::Alarm alarm{clock, ":"};
  ScriptedWindow window;
  app::Session session{window, alarm, clock, app::SessionSetup{dir.Path(), kComputer}};
  std::string port_;
};

// --- The start-up check ---------------------------------------------------------------------

TEST_F(SessionTest, StartupConnectsArmsTheNextTimeReportsAndClosesTheConnection) {
  EXPECT_FALSE(alarm.AlarmEnabled()) << "nothing is armed before the first connection";
  EXPECT_TRUE(session.StartupCheck());

  EXPECT_EQ(window.events, (std::vector<std::string>{"enable commands", std::string("balloon: ") + kCheckup,
                                                      "minimize"}));
  ASSERT_EQ(window.balloons.size(), 1u);
  EXPECT_EQ(window.balloons[0].title, "INFO");
  EXPECT_EQ(window.balloons[0].icon, BalloonIcon::kInfo);
  EXPECT_EQ(window.balloons[0].seconds, 10);
  EXPECT_FALSE(session.Connected()) << "the connection stays closed between backups";
  EXPECT_TRUE(window.dialogs.empty()) << "stored settings and credentials ask nothing";
  EXPECT_EQ(session.UserName(), kUser);
  EXPECT_EQ(session.DatabaseName(), "QEL");
  // At 10:00 the next time is the second entry, 10:30.
  EXPECT_EQ(window.nextTimes, (std::vector<std::string>{"10:30"}));
  EXPECT_TRUE(alarm.AlarmEnabled());
  EXPECT_EQ(alarm.AlarmHour(), 10);
  EXPECT_EQ(alarm.AlarmMinute(), 30);
  EXPECT_EQ(session.TimeIndex(), 1) << "Refresh starts the search at entry 1 and leaves the position there";
  EXPECT_FALSE(session.Busy());
}

TEST_F(SessionTest, StartupCancelledAtARefusedLoginEndsTheProgramWithoutBalloonOrSchedule) {
  SetServerMode("login");
  window.script = {{DialogMode::login, std::nullopt}};
  EXPECT_TRUE(session.StartupCheck());
  EXPECT_EQ(window.Count("terminate"), 1);
  EXPECT_TRUE(window.balloons.empty());
  EXPECT_FALSE(session.CommandsEnabled());
  EXPECT_FALSE(alarm.AlarmEnabled()) << "a program that never connected arms nothing";
  EXPECT_TRUE(window.nextTimes.empty());
  EXPECT_EQ(window.events.back(), "minimize") << "the sequence still runs to its end";
}

TEST_F(SessionTest, StartupWithAnUnreadableTimeStopsBeforeTheBalloonAndKeepsTheConnection) {
  WriteSettings({"09:00", "1x:30"});
  EXPECT_THROW(session.StartupCheck(), schedule::TimeConversionError);
  EXPECT_TRUE(window.balloons.empty());
  EXPECT_EQ(window.Count("minimize"), 0);
  EXPECT_TRUE(session.Connected()) << "the next backup closes it";
  EXPECT_FALSE(session.Busy()) << "an exception releases the busy flag";
}

// --- Backups ----------------------------------------------------------------------------------

TEST_F(SessionTest, ScheduledRunPacksCopiesRemovesTheBackupAndArmsTheNextTime) {
  StartConnected();
  clock.Set(10, 30);  // the alarm's minute
  EXPECT_EQ(session.ScheduledRun(), RunEnd::kDone);

  ASSERT_EQ(window.balloons.size(), 1u);
  EXPECT_EQ(window.balloons[0].text, kCreated);
  EXPECT_EQ(window.balloons[0].icon, BalloonIcon::kInfo);
  const backup::RunRecord& run = session.LastRun();
  ASSERT_FALSE(run.backupFileName.empty());
  const std::string base = run.backupFileName.substr(0, run.backupFileName.rfind('.'));
  // Only the archive is left in the backup folder, and each mirror holds the same bytes.
  EXPECT_EQ(ListDir(BakDir()), (std::vector<std::string>{base + ".rar", "dw_rar_standin.lastrun"}));
  const std::string archive = ReadBytes(BakDir() + "\\" + base + ".rar");
  EXPECT_GT(archive.size(), 4096u) << "the stand-in server's 4 KiB file is in it";
  EXPECT_EQ(archive.substr(0, 2), "PK");
  EXPECT_EQ(ReadBytes(dir.File("mirror1\\Copy of " + base + ".rar")), archive);
  EXPECT_EQ(ReadBytes(dir.File("mirror2\\Copy of " + base + ".rar")), archive);
  EXPECT_EQ(window.messagePasses, 2) << "messages are served once per copy pass";
  // 10:30 ran (by the alarm); the run's connection set the position to 1, the run raised it to 2
  // and searched on from there: the next entry later than now, 23:00, is armed and shown.
  EXPECT_EQ(session.TimeIndex(), 2);
  EXPECT_EQ(window.nextTimes.back(), "23:00");
  EXPECT_TRUE(alarm.AlarmEnabled());
  EXPECT_EQ(alarm.AlarmHour(), 23);
  EXPECT_FALSE(session.Connected());
  EXPECT_FALSE(session.Busy());
  const std::string line = LastHistoryLine();
  EXPECT_NE(line.find("scheduled"), std::string::npos) << line;
  EXPECT_NE(line.find("copies=2/2"), std::string::npos) << line;
  EXPECT_EQ(line.substr(line.size() - 2), "ok") << line;
}

TEST_F(SessionTest, ImmediateRunHidesAndShowsTheWindowAndLeavesTheScheduleAlone) {
  StartConnected();
  const auto nextTimesBefore = window.nextTimes.size();
  EXPECT_EQ(session.ImmediateRun(), RunEnd::kDone);
  EXPECT_EQ(window.events, (std::vector<std::string>{"enable commands", "minimize",
                                                      std::string("balloon: ") + kCreated, "restore"}));
  EXPECT_EQ(session.TimeIndex(), 1) << "the run's connection set it to 1 and nothing armed on";
  EXPECT_EQ(window.nextTimes.size(), nextTimesBefore);
  EXPECT_EQ(alarm.AlarmHour(), 10);
  EXPECT_EQ(alarm.AlarmMinute(), 30);
  EXPECT_EQ(window.messagePasses, 0);
}

TEST_F(SessionTest, ServerErrorInAScheduledRunIsShownAndTheNextTimeStaysArmed) {
  StartConnected();
  clock.Set(10, 30);
  SetServerMode("proc-error");
  EXPECT_EQ(session.ScheduledRun(), RunEnd::kFailed);
  ASSERT_EQ(window.balloons.size(), 1u);
  EXPECT_EQ(window.balloons[0].title, "Error");
  EXPECT_EQ(window.balloons[0].icon, BalloonIcon::kError);
  EXPECT_TRUE(alarm.AlarmEnabled()) << "a failed run must not leave the schedule switched off";
  EXPECT_EQ(alarm.AlarmHour(), 23);
  EXPECT_FALSE(session.Connected());
  EXPECT_FALSE(session.Busy());
  EXPECT_NE(LastHistoryLine().find("error: "), std::string::npos) << LastHistoryLine();
}

TEST_F(SessionTest, ArchiverThatMakesNoArchiveKeepsTheBackupFileAndWarns) {
  StartConnected();
  SetArchiverMode("fail");
  EXPECT_EQ(session.ImmediateRun(), RunEnd::kDone);
  ASSERT_EQ(window.balloons.size(), 1u);
  EXPECT_EQ(window.balloons[0].title, "Warning");
  const std::string& file = session.LastRun().backupFileName;
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(platform::FileExists(BakDir() + "\\" + file)) << "no archive holds it, so it stays";
  EXPECT_EQ(ReadBytes(BakDir() + "\\" + file).size(), 4096u);
}

TEST_F(SessionTest, ARunStartedWhileTheStartupDialogWaitsIsRefusedAndRecorded) {
  // Data.dat refused by the server: the start-up check asks for a login, and while its dialog is
  // up the alarm and the operator's "[bak]" try to start a backup.
  SetServerMode("login");
  std::optional<RunEnd> scheduled;
  std::optional<RunEnd> immediate;
  window.script = {{DialogMode::login, std::nullopt, [&] {
                      scheduled = session.ScheduledRun();
                      immediate = session.ImmediateRun();
                    }}};
  session.StartupCheck();
  EXPECT_EQ(scheduled, RunEnd::kRefused);
  EXPECT_EQ(immediate, RunEnd::kRefused);
  EXPECT_TRUE(window.balloons.empty());
  EXPECT_NE(LastHistoryLine().find("not started"), std::string::npos)
      << "a scheduled backup that did not happen is in the history: " << LastHistoryLine();
}

// --- Login and Refresh ------------------------------------------------------------------------

TEST_F(SessionTest, LoginCommandStoresNewCredentialsAndRefreshesTheSchedule) {
  StartConnected();
  clock.Set(22, 0);
  window.script = {{DialogMode::login, LoginAnswer(kUser, kPassword)}};
  session.Login();
  ASSERT_EQ(window.dialogs.size(), 1u);
  EXPECT_EQ(window.dialogs[0].entries.user, kUser) << "the dialog starts with the last user, selected";
  EXPECT_TRUE(window.dialogs[0].selectUser);
  EXPECT_EQ(window.nextTimes.back(), "23:00") << "Refresh after the login, at the new hour";
  EXPECT_EQ(session.TimeIndex(), 1);
  EXPECT_FALSE(session.Busy());

  // Cancel changes nothing but still refreshes, as the command always does.
  clock.Set(23, 30);
  window.script = {{DialogMode::login, std::nullopt}};
  session.Login();
  EXPECT_EQ(window.nextTimes.back(), "09:00") << "past the last entry the first one is armed for tomorrow";
  EXPECT_EQ(session.TimeIndex(), 1);
}

TEST_F(SessionTest, RefreshReadsTheEditedFileAndStartsOverAtTheFirstEntry) {
  StartConnected();
  WriteSettings({"11:15", "18:45"});
  session.Refresh();
  EXPECT_EQ(window.nextTimes.back(), "11:15");
  EXPECT_EQ(session.TimeIndex(), 1);
  EXPECT_EQ(session.BakSchedule().TimeCount(), 2);
}

}  // namespace
