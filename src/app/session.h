#pragma once
// The program's state and its operations, without windows: the connection and the backup query, the
// schedule with `TimeIndex`, the user and database names, the busy flag, and what the main window's
// commands do with them (the start-up check, Login, Refresh, the scheduled and the immediate run).
// The main window forwards its clicks, timers and the alarm here and shows what it is told through
// SessionWindow; tests script that interface and run every operation natively.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/busy_guard.h"
#include "app/missed_watch.h"
#include "backup/backup_run.h"
#include "backup/history_log.h"
#include "backup/notification_sender.h"
#include "backup/system_services.h"
#include "db/connect_routine.h"
#include "db/database.h"
#include "platform/clock.h"
#include "schedule/alarm.h"
#include "schedule/schedule.h"

namespace app {

// What the session needs of the windows: the connection routine's dialogs and boxes, the backup
// run's balloons and window, and the panel's "Waiting time:" caption. RestoreApp serves both the
// connection routine and the run.
class SessionWindow : public db::ConnectHost, public backup::RunNotifier, public backup::RunWindow {
 public:
  // The tray icon's restore, for the login dialog and after an immediate run.
  void RestoreApp() override = 0;
  // The armed entry's text exactly as stored.
  virtual void ShowNextTime(const std::string& text) = 0;

 protected:
  ~SessionWindow() = default;
};

struct SessionSetup {
  std::string exeDir;        // `ExeDir`: every settings file lies below it
  std::string computerName;  // binds Data.dat to this computer
  std::chrono::seconds createBakFileTimeout = db::kCreateBakFileTimeout;
  // The calendar and monotonic clock of the runs and of the watch over missed times; nullptr: the
  // system's. Tests give one that agrees with the schedule's clock.
  backup::RunClock* runClock = nullptr;
};

class Session final : private db::ConnectHost,
                      private backup::RunDatabase,
                      private backup::RunSchedule,
                      private backup::RunGate,
                      private MissedHost {
 public:
  // alarm: the clock control's alarm, which the schedule arms and the scheduled run switches;
  // clock: the wall clock the schedule compares the times with.
  Session(SessionWindow& window, schedule::Alarm& alarm, const platform::Clock& clock, SessionSetup setup);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session();

  // The start-up sequence after its timer is off: connect, Refresh when the commands were enabled,
  // the "Checkup ..." balloon and closing the connection when connected, the window to the tray.
  // False when another routine or run was in progress (nothing was done); exceptions of the
  // connection routine and of Refresh pass to the caller, which skips the rest of the start-up.
  bool StartupCheck();
  // The Login command: the dialog in login mode, then Refresh (also after Cancel) when the commands
  // are enabled. Does nothing while a routine or run is in progress.
  void Login();
  // Reloads the schedule and arms its next time, shown through ShowNextTime.
  void Refresh();
  // `AlarmClock1Alarm` and `Moment_Bak_BtnClick`: the one backup sequence of the backup subsystem.
  // Both tell the watch over missed times; a run that noticed a miss may be followed by a make-up.
  backup::RunEnd ScheduledRun();
  backup::RunEnd ImmediateRun();
  // Every tick of the alarm clock (after its alarm check): a jump of the wall clock, and a check or
  // make-up run that fell due.
  void Tick() { watch_.Tick(); }
  // WM_POWERBROADCAST with a resume: times missed while asleep are checked 60 seconds later.
  void Resumed() { watch_.Resumed(); }

  // `Connect_DB`: takes no busy guard (its callers do; a run opens its connection through it).
  db::ConnectOutcome Connect_DB() { return connectRoutine_.Connect_DB(); }

  // What the windows show and the tests check.
  [[nodiscard]] bool CommandsEnabled() const { return commandsEnabled_; }
  [[nodiscard]] std::uint8_t TimeIndex() const { return timeIndex_; }
  [[nodiscard]] const std::string& UserName() const { return userName_; }
  // Also what the backup run asks of the database (backup::RunDatabase).
  [[nodiscard]] std::string DatabaseName() const override { return databaseName_; }
  [[nodiscard]] bool Connected() const override { return connection_.Connected(); }
  // Whether a connection routine or a backup run is in progress (also what the watch asks).
  // A program asked to end counts as busy too: it starts no make-up run (whose connection would ask
  // for the login again).
  [[nodiscard]] bool Busy() const override { return busy_.Busy() || terminationRequested_; }
  [[nodiscard]] const schedule::Schedule& BakSchedule() const { return schedule_; }
  [[nodiscard]] const backup::RunRecord& LastRun() const { return run_.LastRecord(); }
  [[nodiscard]] std::string HistoryPath() const { return log_.Path(); }
  [[nodiscard]] const MissedWatch& Watch() const { return watch_; }

 private:
  void StartupSequence();
  // db::ConnectHost: the window's, except that enabling the commands is remembered here.
  std::unique_ptr<db::ConnectionDialog> MakeConnectionDialog(bool ownedByApplication) override;
  void ShowErrorBox(const std::string& text) override;
  void ShowDefaultErrorBox(const std::string& message) override;
  void RestoreApp() override;
  void RequestTermination() override;
  void EnableCommands() override;
  // backup::RunDatabase
  void Connect() override;
  std::string CreateBakFile(const std::string& databaseName, const std::string& toDir) override;
  void Close() noexcept override;
  // backup::RunSchedule
  [[nodiscard]] std::string BakDir() const override;
  [[nodiscard]] std::string SettingsPath() const override;
  void SwitchAlarmOff() override;
  void SwitchAlarmOn() override;
  void ArmNext() override;
  // backup::RunGate
  bool TryBegin() override;
  void End() noexcept override;
  // MissedHost
  [[nodiscard]] std::vector<int> EntryMinutes() const override { return schedule_.EntryMinutes(); }
  [[nodiscard]] bool AlarmFiresInMinute(int hour, int minute) const override;
  [[nodiscard]] bool MakeUpEnabled() const override;
  void ShowMissedBalloon(const std::string& text) override;
  void AppendHistory(const std::string& lines) noexcept override { log_.AppendLines(lines); }
  void RecordMissed(const MissedReport& report) noexcept override;
  void ReArmSchedule() noexcept override;
  bool RunMakeUp() override;
  // A TimeCount beyond 255 in the file: a history line says that the rest was ignored.
  void NoteCountAboveLimit() noexcept;

  SessionWindow& window_;
  schedule::Alarm& alarm_;
  std::string exeDir_;

  // The state, in the order the parts that refer to it are built.
  std::string userName_;      // the user of the last successful login
  std::string databaseName_;  // read from Connect.ini by every Connect_DB
  // Position in the schedule; wraps from 255 to 0. The schedule, the connection routine (1 after
  // every successful connection) and the scheduled run all work on this one value.
  std::uint8_t timeIndex_ = 0;
  bool commandsEnabled_ = false;
  bool terminationRequested_ = false;
  // Whether a connection routine or a backup run is in progress.
  BusyGuard busy_;
  std::optional<BusyGuard::Scope> runScope_;

  // Open only during the start-up check and a backup run.
  db::Connection connection_;
  db::Query bakQuery_;

  schedule::Schedule schedule_;
  db::ConnectRoutine connectRoutine_;

  backup::SystemArchiver archiver_;
  backup::SystemFiles files_;
  backup::SystemRunClock systemRunClock_;
  backup::RunClock& runClock_;
  backup::HistoryLog log_;
  backup::NotifyingLog notifyingLog_;  // the history, with the web notifications of runs and missed times
  backup::BackupRun run_;
  MissedWatch watch_;
};

}  // namespace app
