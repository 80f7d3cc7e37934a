#pragma once
// One backup, from the server's backup procedure to the archive, its test, the copies, the removal
// of the unpacked file and the balloon. The scheduled run (`AlarmClock1Alarm`) and the immediate run
// (`Moment_Bak_BtnClick`) are this one sequence; the kind decides the four points where they differ:
//   before the server call   scheduled: alarm off            immediate: window hidden to the tray
//   each copy pass           scheduled: messages processed   immediate: nothing
//   after the copies         scheduled: next time armed      immediate: nothing
//   at the end               scheduled: nothing              immediate: window shown again
// A make-up run (RunKind::kMakeUp) is a scheduled run that neither switches the alarm nor arms the
// next time: the schedule stays where it is.
#include <cstdint>
#include <optional>

#include "backup/history_log.h"
#include "backup/run_services.h"

namespace backup {

struct RunServices {
  RunDatabase& database;
  RunArchiver& archiver;
  RunFiles& files;
  RunNotifier& notifier;
  RunWindow& window;
  RunSchedule& schedule;
  RunGate& gate;
  RunClock& clock;
  RunLog& log;
};

// What became of a call of Run.
enum class RunEnd {
  kRefused,        // another run or a connection routine was in progress
  kRepeatRefused,  // a scheduled backup already ran in this minute
  kNotConnected,   // the connection routine gave up (the operator cancelled it)
  kDone,           // the backup ran to its end (its balloon tells how well)
  kFailed,         // an error ended it (scheduled: shown in a balloon; immediate: raised again)
};

class BackupRun {
 public:
  explicit BackupRun(RunServices services);

  // The immediate run raises its error again after the window is shown, for the default error box;
  // the scheduled run reports it in a balloon and raises nothing.
  RunEnd Run(RunKind kind);

  // The record of the last run that got past the gate, as written to the history.
  [[nodiscard]] const RunRecord& LastRecord() const { return record_; }

 private:
  struct MinuteMark {
    int year, month, day, hour, minute;
    std::int64_t monotonicMs;
  };

  bool RepeatsItsMinute(const platform::LocalDateTime& now, std::int64_t monotonicMs) const;
  RunEnd Sequence(RunKind kind, bool& armed);
  void ReArmAfterError(bool armed) noexcept;
  void Finish(std::int64_t startMs);

  RunServices s_;
  RunRecord record_;
  std::optional<MinuteMark> lastScheduled_;
};

// "Bakup of database "<name>" is created." and its warning form "..., but <what failed>", cut to the
// balloon's 255 characters.
std::string CreatedText(const std::string& databaseName);
std::string CreatedButText(const std::string& databaseName, const std::string& whatFailed);

}  // namespace backup
