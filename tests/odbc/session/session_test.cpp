// The program's session as the main window drives it, natively: the stand-in SQL Server over
// ODBC, the stand-in archiver as a real process, real files, and a scripted window side in place
// of the tray icon, the panel and the dialogs. The wall clock the schedule compares with is a
// fake one, so that the next time armed never depends on the hour the test runs at.
// Started by ctest with --work=DIR (the server's work folder).
#include "app/session.h"

#include <cstdio>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/alive_record.h"
#include "db/credentials_file.h"
#include "platform/files.h"
#include "support/calendar_clock.h"
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
using testing_support::CalendarClock;
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
  void ProcessMessages() override {
    ++messagePasses;
    if (duringCopyPass) {
      duringCopyPass();  // time passing while a run works
    }
  }
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
  std::function<void()> duringCopyPass;
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
  CalendarClock clock;
  schedule::Alarm alarm{clock, ":"};
  ScriptedWindow window;
  app::Session session{window, alarm, clock, MakeSetup()};

  [[nodiscard]] app::SessionSetup MakeSetup() {
    app::SessionSetup setup{dir.Path(), kComputer};
    setup.runClock = &clock;
    return setup;
  }
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


// --- Missed backup times ----------------------------------------------------------------------

// The fields of the history's lines of one kind (the second field), in order.
std::vector<std::vector<std::string>> HistoryLines(const std::string& path, const std::string& kind) {
  std::vector<std::vector<std::string>> lines;
  if (!platform::FileExists(path)) {
    return lines;
  }
  const std::string text = ReadBytes(path);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      end = text.size();
    }
    std::vector<std::string> fields;
    std::size_t at = start;
    while (true) {
      const std::size_t tab = text.find('\t', at);
      if (tab == std::string::npos || tab > end) {
        fields.push_back(text.substr(at, end - at));
        break;
      }
      fields.push_back(text.substr(at, tab - at));
      at = tab + 1;
    }
    if (fields.size() > 1 && fields[1] == kind) {
      lines.push_back(fields);
    }
    start = end + 2;
  }
  return lines;
}

class MissedTest : public SessionTest {
 public:
  // One tick of the clock control: its alarm check, then the session's look at the clock.
  void Tick() {
    alarm.Check([this] { session.ScheduledRun(); });
    session.Tick();
  }
  // Ticks every 450 ms for `ms` milliseconds of time passing.
  void TickFor(std::int64_t ms) {
    for (std::int64_t passed = 0; passed < ms; passed += 450) {
      clock.Advance(450);
      Tick();
    }
  }
  [[nodiscard]] std::vector<std::vector<std::string>> Lines(const std::string& kind) const {
    return HistoryLines(session.HistoryPath(), kind);
  }
  [[nodiscard]] std::vector<std::string> Warnings() const {
    std::vector<std::string> texts;
    for (const auto& b : window.balloons) {
      if (b.title == "Warning" && b.text.find("missed") != std::string::npos) {
        EXPECT_EQ(b.icon, BalloonIcon::kWarning);
        EXPECT_EQ(b.seconds, 10);
        texts.push_back(b.text);
      }
    }
    return texts;
  }
  void SetMakeUp(const std::string& value) const {
    std::string text = ReadBytes(dir.File("Bak_Info\\Bak_Info.ini"));
    text.insert(text.find("[BAK]\r\n") + 7, "MakeUp=" + value + "\r\n");
    WriteBytes(dir.File("Bak_Info\\Bak_Info.ini"), text);
  }
  [[nodiscard]] std::string RecordPath() const { return dir.File("Bak_Info\\alive.txt"); }
  // The history line of a miss: cause, count, times, make-up.
  static void ExpectMissed(const std::vector<std::string>& line, const std::string& cause, const std::string& count,
                           const std::string& times, const std::string& makeUp = "makeup=yes") {
    ASSERT_GE(line.size(), 6u);
    EXPECT_EQ(line[2], "cause=" + cause);
    EXPECT_EQ(line[3], "count=" + count);
    EXPECT_EQ(line[4], "times=" + times);
    EXPECT_EQ(line[5], makeUp);
  }
};

TEST_F(MissedTest, ARunLongerThanTheGapReportsTheTimesItCoveredAndMakesThemUpOnce) {
  WriteSettings({"09:00", "10:30", "10:35", "10:40", "23:00"});
  StartConnected();
  ASSERT_EQ(Lines("missed").size(), 1u) << "the first start says it has no record";
  clock.Set(10, 29, 59, 800);
  // The first copy pass of the 10:30 run ends 10:40:20: 10:35 passed, and 10:40 is the end's own
  // minute, which the schedule counts as past.
  window.duringCopyPass = [this] {
    window.duringCopyPass = nullptr;
    clock.Advance(10 * 60000 + 20000);
  };
  TickFor(450);
  ASSERT_EQ(Lines("scheduled").size(), 1u);
  const auto missed = Lines("missed");
  ASSERT_EQ(missed.size(), 2u);
  ExpectMissed(missed[1], "busy", "2", "2026-12-09 10:35, 2026-12-09 10:40");
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Backups at 10:35, 10:40 were missed."}));
  const auto makeUps = Lines("makeup");
  ASSERT_EQ(makeUps.size(), 1u) << "one make-up run for both times";
  EXPECT_EQ(makeUps[0].back(), "ok");
  EXPECT_EQ(window.balloons.back().text, kCreated) << "the make-up shows the run's own balloon";
  // The make-up armed nothing: 23:00, which the scheduled run armed, is still armed.
  EXPECT_TRUE(alarm.AlarmEnabled());
  EXPECT_EQ(alarm.AlarmHour(), 23);
  EXPECT_EQ(alarm.AlarmMinute(), 0);
  EXPECT_EQ(window.nextTimes.back(), "23:00");
  EXPECT_FALSE(session.Watch().MakeUpOwed());

  // Nothing more for the rest of the evening, and 23:00 runs as armed.
  TickFor(5000);
  clock.Set(22, 59, 59, 500);
  TickFor(1000);
  EXPECT_EQ(Lines("missed").size(), 2u);
  EXPECT_EQ(Lines("makeup").size(), 1u);
  EXPECT_EQ(Lines("scheduled").size(), 2u);
}

TEST_F(MissedTest, AClockSetForwardOverATimeIsReportedAfterAShortGraceMadeUpOnceAndTheNextTimeArmed) {
  WriteSettings({"09:00", "10:00", "10:10", "23:00"});
  clock.Set(9, 58);
  StartConnected();
  ASSERT_EQ(alarm.AlarmHour(), 10);
  ASSERT_EQ(alarm.AlarmMinute(), 0);
  TickFor(900);
  clock.Jump(7 * 60000);  // 09:58 to 10:05: the 10:00 alarm's minute never comes
  Tick();
  TickFor(2000);
  EXPECT_TRUE(Warnings().empty()) << "a resume message may still follow the jump";
  TickFor(1500);
  const auto missed = Lines("missed");
  ASSERT_EQ(missed.size(), 2u);
  ExpectMissed(missed[1], "clock", "1", "2026-12-09 10:00");
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Backup at 10:00 was missed."}));
  EXPECT_EQ(Lines("makeup").size(), 1u);
  EXPECT_TRUE(Lines("scheduled").empty());
  // The armed 10:00 would have waited for tomorrow: the next time of today is armed instead.
  EXPECT_EQ(alarm.AlarmHour(), 10);
  EXPECT_EQ(alarm.AlarmMinute(), 10);
  TickFor(10000);
  EXPECT_EQ(Lines("makeup").size(), 1u) << "made up once";
  clock.Set(10, 10);
  Tick();
  EXPECT_EQ(Lines("scheduled").size(), 1u);
  EXPECT_EQ(Lines("missed").size(), 2u);
}

TEST_F(MissedTest, WithMakeUpOffTheMissIsStillReportedButNotMadeUp) {
  WriteSettings({"09:00", "10:00", "10:10", "23:00"});
  SetMakeUp("0");
  clock.Set(9, 59);
  StartConnected();
  TickFor(900);
  clock.Jump(2 * 60000);
  TickFor(4000);
  const auto missed = Lines("missed");
  ASSERT_EQ(missed.size(), 2u);
  ExpectMissed(missed[1], "clock", "1", "2026-12-09 10:00", "makeup=no (MakeUp=0)");
  EXPECT_EQ(Warnings().size(), 1u);
  EXPECT_TRUE(Lines("makeup").empty());
  EXPECT_FALSE(session.Watch().MakeUpOwed());
  EXPECT_EQ(alarm.AlarmMinute(), 10) << "the schedule moves on all the same";
}

TEST_F(MissedTest, AJumpOfDaysAcrossMidnightListsFiveTimesAndHowManyMore) {
  StartConnected();  // 10:00 of 9 December: 10:30 armed
  TickFor(900);
  clock.Jump((2 * 24 + 23) * 3600000LL + 30 * 60000);  // to 12 December, 09:30
  TickFor(4000);
  const auto missed = Lines("missed");
  ASSERT_EQ(missed.size(), 2u);
  // 10:30 and 23:00 of the 9th, 10th and 11th; 09:00 of the 10th, 11th and 12th.
  ExpectMissed(missed[1], "clock", "9",
               "2026-12-09 10:30, 2026-12-09 23:00, 2026-12-10 09:00, 2026-12-10 10:30, 2026-12-10 23:00, "
               "2026-12-11 09:00, 2026-12-11 10:30, 2026-12-11 23:00, 2026-12-12 09:00");
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Backups at 10:30, 23:00, 09:00, 10:30, 23:00 and 4 more were missed."}));
  EXPECT_EQ(Lines("makeup").size(), 1u);
  EXPECT_EQ(alarm.AlarmHour(), 10);
  EXPECT_EQ(alarm.AlarmMinute(), 30);
}

TEST_F(MissedTest, AfterAResumeTheCheckWaitsSixtySecondsAndNamesTheSleep) {
  WriteSettings({"09:00", "10:00", "10:30", "23:00"});
  clock.Set(9, 50);
  StartConnected();
  TickFor(900);
  clock.Advance(35 * 60000);  // asleep until 10:25:00.9, with a clock that counts the sleep
  session.Resumed();
  Tick();
  TickFor(59000);
  EXPECT_TRUE(Warnings().empty()) << "the network has 60 seconds to come back";
  EXPECT_TRUE(Lines("makeup").empty());
  TickFor(1500);
  const auto missed = Lines("missed");
  ASSERT_EQ(missed.size(), 2u);
  ExpectMissed(missed[1], "asleep", "1", "2026-12-09 10:00");
  EXPECT_EQ(Lines("makeup").size(), 1u);
  EXPECT_EQ(alarm.AlarmMinute(), 30);

  // A clock that stopped while asleep shows a jump first; the resume message names the cause.
  TickFor(2000);
  clock.Jump(13 * 3600000LL);  // to 23:26 and more: 10:30 and 23:00 were slept through
  Tick();
  session.Resumed();
  TickFor(5000);
  EXPECT_EQ(Lines("missed").size(), 2u);
  TickFor(56000);
  const auto later = Lines("missed");
  ASSERT_EQ(later.size(), 3u);
  ExpectMissed(later[2], "asleep", "2", "2026-12-09 10:30, 2026-12-09 23:00");
  EXPECT_EQ(Lines("makeup").size(), 2u);
}

TEST_F(MissedTest, ATimeInTheResumeMinuteRunsByItsAlarmAndIsNotMadeUp) {
  clock.Set(10, 20);
  StartConnected();  // 10:30 armed
  TickFor(900);
  clock.Advance(10 * 60000 + 20000);  // asleep until 10:30:20.9
  session.Resumed();
  Tick();
  ASSERT_EQ(Lines("scheduled").size(), 1u) << "the alarm's minute is still on: it fires";
  TickFor(62000);
  EXPECT_EQ(Lines("missed").size(), 1u) << "only the first start's line";
  EXPECT_TRUE(Warnings().empty());
  EXPECT_TRUE(Lines("makeup").empty());
}

TEST_F(MissedTest, AnAlarmRefusedWhileTheLoginDialogWaitsIsReportedAndMadeUpAfterIt) {
  StartConnected();  // 10:30 armed
  clock.Set(10, 29, 59);
  window.script = {{DialogMode::login, LoginAnswer(kUser, kPassword), [this] {
                      clock.Advance(1500);
                      Tick();  // the clock ticks inside the dialog's loop: the alarm fires and is refused
                    }}};
  session.Login();
  EXPECT_NE(LastHistoryLine().find("makeup"), std::string::npos) << LastHistoryLine();
  const auto missed = Lines("missed");
  ASSERT_EQ(missed.size(), 2u);
  ExpectMissed(missed[1], "busy", "1", "2026-12-09 10:30");
  EXPECT_EQ(Lines("makeup").size(), 1u);
  EXPECT_EQ(alarm.AlarmHour(), 23);
}

TEST_F(MissedTest, TimesMissedWhileNotRunningAreReportedOnceAcrossRestarts) {
  StartConnected();  // 10:00, no record: a first start
  const auto first = Lines("missed");
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0][2], "cause=not running");
  EXPECT_EQ(first[0][3], "count=0");
  EXPECT_TRUE(Warnings().empty());
  ASSERT_TRUE(app::ReadAliveRecord(RecordPath()).has_value());

  // Stopped at 10:05, started again at 23:30: 10:30 and 23:00 passed.
  clock.Set(23, 30);
  auto second = std::make_unique<app::Session>(window, alarm, clock, MakeSetup());
  ASSERT_TRUE(second->StartupCheck());
  auto missed = Lines("missed");
  ASSERT_EQ(missed.size(), 2u);
  ExpectMissed(missed[1], "not running", "2", "2026-12-09 10:30, 2026-12-09 23:00");
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Backups at 10:30, 23:00 were missed."}));
  EXPECT_EQ(Lines("makeup").size(), 1u);
  EXPECT_EQ(window.nextTimes.back(), "09:00") << "the schedule armed tomorrow's first time";

  // Restarted right after the make-up: nothing again; and the next morning only 09:00.
  clock.Advance(60000);
  second = std::make_unique<app::Session>(window, alarm, clock, MakeSetup());
  ASSERT_TRUE(second->StartupCheck());
  EXPECT_EQ(Lines("missed").size(), 2u);
  EXPECT_EQ(Lines("makeup").size(), 1u);
  clock.Advance(10 * 3600000LL);  // 09:31 of the 10th
  second = std::make_unique<app::Session>(window, alarm, clock, MakeSetup());
  ASSERT_TRUE(second->StartupCheck());
  missed = Lines("missed");
  ASSERT_EQ(missed.size(), 3u);
  ExpectMissed(missed[2], "not running", "1", "2026-12-10 09:00");
  EXPECT_EQ(Lines("makeup").size(), 2u);
}

TEST_F(MissedTest, AMissingOrGarbledRecordIsAFirstStartThatMissesNothing) {
  const std::vector<std::pair<std::string, std::string>> records = {
      {"garbage", "not a record\r\n"},
      {"an impossible date", "covered=2026-02-31 08:00\r\nmakeup=none\r\n"},
      {"an unknown make-up word", "covered=2026-12-09 08:00\r\nmakeup=maybe\r\n"},
      {"no line ends", "covered=2026-12-09 08:00makeup=none"},
      {"too large", "covered=2026-12-09 08:00\r\nmakeup=none\r\n" + std::string(400, ' ')},
      {"empty", ""},
  };
  for (const auto& [what, bytes] : records) {
    SCOPED_TRACE(what);
    WriteBytes(RecordPath(), bytes);
    const auto linesBefore = Lines("missed").size();
    const auto balloonsBefore = Warnings().size();
    app::Session started(window, alarm, clock, MakeSetup());
    ASSERT_TRUE(started.StartupCheck());
    const auto missed = Lines("missed");
    ASSERT_EQ(missed.size(), linesBefore + 1);
    EXPECT_EQ(missed.back()[3], "count=0");
    EXPECT_NE(missed.back().back().find("no readable record"), std::string::npos);
    EXPECT_EQ(Warnings().size(), balloonsBefore);
    EXPECT_TRUE(Lines("makeup").empty());
    const auto record = app::ReadAliveRecord(RecordPath());
    ASSERT_TRUE(record.has_value()) << "rewritten readable";
    EXPECT_EQ(app::AliveRecordText(*record), "covered=2026-12-09 10:00\r\nmakeup=none\r\n");
  }
  // The same record, readable, reports 09:00: the garbled ones above were refused, not ignored.
  WriteBytes(RecordPath(), "covered=2026-12-09 08:00\r\nmakeup=none\r\n");
  app::Session started(window, alarm, clock, MakeSetup());
  ASSERT_TRUE(started.StartupCheck());
  ExpectMissed(Lines("missed").back(), "not running", "1", "2026-12-09 09:00");
  EXPECT_EQ(Lines("makeup").size(), 1u);
}

TEST_F(MissedTest, AMakeUpOwedInTheRecordRunsOnceAtTheNextStart) {
  WriteBytes(RecordPath(), "covered=2026-12-09 09:59\r\nmakeup=owed\r\n");
  StartConnected();
  EXPECT_EQ(Lines("makeup").size(), 1u);
  EXPECT_TRUE(Lines("missed").empty()) << "reported before the stop, not again";
  EXPECT_EQ(app::AliveRecordText(*app::ReadAliveRecord(RecordPath())), "covered=2026-12-09 10:00\r\nmakeup=none\r\n");
  app::Session again(window, alarm, clock, MakeSetup());
  ASSERT_TRUE(again.StartupCheck());
  EXPECT_EQ(Lines("makeup").size(), 1u);
}

TEST_F(MissedTest, SpringForwardSkipsTheTwoThirtyEntryWhichIsReportedAndMadeUpOnce) {
  WriteSettings({"02:30", "12:00"});
  clock.SetDate(2027, 3, 28, 1, 59, 58);
  StartConnected();
  ASSERT_EQ(alarm.AlarmHour(), 2);
  TickFor(1800);
  clock.Jump(3600000);  // 02:00 local does not exist: the clock goes on at 03:00
  TickFor(5000);
  const auto missed = Lines("missed");
  ASSERT_EQ(missed.size(), 2u);
  ExpectMissed(missed[1], "clock", "1", "2027-03-28 02:30");
  EXPECT_EQ(Lines("makeup").size(), 1u);
  EXPECT_EQ(alarm.AlarmHour(), 12);
  TickFor(60000);
  EXPECT_EQ(Lines("makeup").size(), 1u);
}

TEST_F(MissedTest, OnTheAutumnDayTheTwoThirtyEntryRunsTwiceWhenItIsTheOnlyTimeAndOnceOtherwise) {
  for (const auto& [times, runs] : {std::pair{std::vector<std::string>{"02:30"}, std::size_t{2}},
                                    std::pair{std::vector<std::string>{"02:30", "12:00"}, std::size_t{1}}}) {
    SCOPED_TRACE(times.size());
    WriteSettings(times);
    clock.SetDate(2027, 10, 31, 2, 29, 59);
    const auto before = Lines("scheduled").size();
    app::Session autumn(window, alarm, clock, MakeSetup());
    ASSERT_TRUE(autumn.StartupCheck());
    auto tick = [&] {
      alarm.Check([&] { autumn.ScheduledRun(); });
      autumn.Tick();
    };
    for (int i = 0; i < 4; ++i) {
      clock.Advance(450);
      tick();
    }
    ASSERT_EQ(Lines("scheduled").size(), before + 1) << "02:30 summer time";
    clock.AdvanceTo(2, 59, 59, 500);
    tick();
    clock.Advance(450);
    clock.Jump(-3600000);  // 03:00 summer time is 02:00 winter time
    tick();
    clock.AdvanceTo(2, 29, 59, 500);
    for (int i = 0; i < 4; ++i) {
      clock.Advance(450);
      tick();
    }
    EXPECT_EQ(Lines("scheduled").size(), before + runs);
    EXPECT_EQ(Lines("missed").size(), 1u) << "nothing is missed on the autumn day";
    EXPECT_TRUE(Lines("makeup").empty());
  }
}

TEST_F(MissedTest, ATimeCountAbove255UsesTheFirst255EntriesAndSaysSo) {
  std::vector<std::string> times;
  for (int m = 10 * 60 + 1; times.size() < 256; ++m) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", m / 60 % 100, m % 60);
    times.emplace_back(text);
  }
  WriteSettings(times);
  StartConnected();
  EXPECT_EQ(window.nextTimes.back(), "10:01") << "256 kept in 8 bits armed nothing";
  EXPECT_EQ(session.BakSchedule().TimeCount(), 255);
  const auto notes = Lines("schedule");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0][2], "TimeCount=256: only the first 255 backup times are used; the other 1 are ignored");

  times.pop_back();
  WriteSettings(times);
  session.Refresh();
  EXPECT_EQ(session.BakSchedule().TimeCount(), 255);
  EXPECT_EQ(Lines("schedule").size(), 1u) << "255 is within the limit";
}

}  // namespace
