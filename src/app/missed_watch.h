#pragma once
// Notices every backup time that passed without its backup, reports it once (a history line and a
// Warning balloon) and makes up for it with one backup run. Its owner (the session) tells it what
// happens: the schedule's first load, the start and end of runs and connection routines, the clock's
// ticks and a resume from sleep; everything it needs of the schedule, the alarm, the settings, the
// tray and the backup run goes through MissedHost.
//
// It keeps one watermark: every backup time up to that minute of the local calendar is accounted
// for (it ran, or it was reported). A check reports the times after the watermark up to now, except
// a time of the current minute that the armed alarm is still going to fire, and moves the watermark
// on. The watermark and whether a make-up run is owed live in Bak_Info\alive.txt (AliveRecord).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backup/run_services.h"
#include "platform/local_time.h"
#include "schedule/missed_times.h"

namespace app {

enum class MissedCause { kAsleep, kClock, kBusy, kNotRunning };

// "asleep", "clock", "busy", "not running": the history's words.
const char* MissedCauseText(MissedCause cause);

// One report of missed times, as the history and the notification tell it.
struct MissedReport {
  std::string historyLine;  // without its line end
  std::string balloonText;
  std::string detail;  // what was missed, why, and whether a make-up run follows
  platform::LocalDateTime time;
};

class MissedHost {
 public:
  // The schedule's times of day, as minutes of the day.
  [[nodiscard]] virtual std::vector<int> EntryMinutes() const = 0;
  // Whether the armed alarm is still going to fire within this minute of the day.
  [[nodiscard]] virtual bool AlarmFiresInMinute(int hour, int minute) const = 0;
  // Whether a backup run or a connection routine is in progress.
  [[nodiscard]] virtual bool Busy() const = 0;
  // MakeUp in [BAK], read afresh.
  [[nodiscard]] virtual bool MakeUpEnabled() const = 0;
  virtual void ShowMissedBalloon(const std::string& text) = 0;
  virtual void AppendHistory(const std::string& lines) noexcept = 0;
  // The report's history line and its web notification (to FailureUrl, when there is one).
  virtual void RecordMissed(const MissedReport& report) noexcept = 0;
  // Arms the schedule's next time again, in case the armed one has passed (it would wait a day).
  virtual void ReArmSchedule() noexcept = 0;
  // One make-up run; false when it was refused at its start.
  virtual bool RunMakeUp() = 0;

 protected:
  ~MissedHost() = default;
};

class MissedWatch {
 public:
  // After a resume the network needs time to come back before a backup can reach the server.
  static constexpr std::int64_t kResumeDelayMs = 60000;
  // A forward jump of the clock is looked at this much later: a resume message that follows it
  // (some clocks stop while the computer sleeps) then names the right cause.
  static constexpr std::int64_t kJumpGraceMs = 3000;
  // The wall clock moving this much more than the monotonic one between two ticks is a jump.
  static constexpr std::int64_t kJumpMs = 2000;
  // How many missed times a history line lists.
  static constexpr std::size_t kListedTimes = 100;

  MissedWatch(MissedHost& host, const backup::RunClock& clock, std::string recordPath);

  // The schedule is loaded for the first time: reads the record of the last run or start. The times
  // missed while the program was not running are checked at the next Settle point (the end of the
  // start-up check); a missing or garbled record is a first start, which misses nothing.
  void Start();
  [[nodiscard]] bool Started() const { return covered_.has_value(); }

  // The alarm fired and the scheduled run is about to start: times before this minute that were
  // missed are reported, and this minute counts as run.
  void ScheduledRunStarting();
  // A run ended (ranBackup: it made a backup, which serves as the make-up of earlier misses). Times
  // that passed while it ran are checked now, or, with settleNow false, at the next tick.
  void RunEnded(bool ranBackup, bool settleNow = true);
  // A connection routine (the start-up check, Login) ended.
  void RoutineEnded(bool settleNow = true);
  // Every tick of the alarm clock: a jump of the wall clock, and checks and make-ups that fell due.
  void Tick();
  // WM_POWERBROADCAST: the computer resumed from sleep or hibernation.
  void Resumed();

  [[nodiscard]] bool MakeUpOwed() const { return owed_; }
  [[nodiscard]] std::optional<std::int64_t> CoveredMinute() const { return covered_; }

 private:
  struct Pending {
    MissedCause cause;
    std::int64_t dueMs;
  };
  struct TickMark {
    std::int64_t wallMs;
    std::int64_t monotonicMs;
  };

  void Settle();
  void Check(MissedCause cause, bool beforeScheduledRun);
  void MakeUp();
  void Report(const schedule::MissedTimes& missed, MissedCause cause, const platform::LocalDateTime& now,
              bool makeUp);
  void Save();

  MissedHost& host_;
  const backup::RunClock& clock_;
  std::string recordPath_;
  std::optional<std::int64_t> covered_;  // the watermark; empty until Start
  bool owed_ = false;
  std::optional<Pending> pending_;
  std::optional<TickMark> lastTick_;
  std::optional<std::string> saved_;  // the record as last written
};

}  // namespace app
