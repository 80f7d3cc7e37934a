#include "app/missed_watch.h"

#include <algorithm>
#include <utility>

#include "app/alive_record.h"

namespace app {

const char* MissedCauseText(MissedCause cause) {
  switch (cause) {
    case MissedCause::kAsleep:
      return "asleep";
    case MissedCause::kClock:
      return "clock";
    case MissedCause::kBusy:
      return "busy";
    case MissedCause::kNotRunning:
      return "not running";
  }
  return "busy";
}

MissedWatch::MissedWatch(MissedHost& host, const backup::RunClock& clock, std::string recordPath)
    : host_(host), clock_(clock), recordPath_(std::move(recordPath)) {}

void MissedWatch::Start() {
  if (covered_) {
    return;
  }
  const platform::LocalDateTime now = clock_.LocalNow();
  const std::int64_t nowMinute = schedule::CivilMinuteOf(now);
  const auto record = ReadAliveRecord(recordPath_);
  if (!record) {
    covered_ = nowMinute;
    host_.AppendHistory(platform::FormatLocalDateTime(now) +
                        "\tmissed\tcause=not running\tcount=0\ttimes=-\tmakeup=no\tno readable record of the "
                        "program's last run or start (a first start, or the record is missing or garbled): "
                        "nothing counts as missed\r\n");
    Save();
    return;
  }
  // A record ahead of the clock (the clock was wrong when it was written) would hide every time
  // until then: it counts from now instead.
  covered_ = std::min(record->coveredMinute, nowMinute);
  owed_ = record->makeUpOwed;
  if (!pending_ || pending_->cause == MissedCause::kBusy) {
    pending_ = Pending{MissedCause::kNotRunning, clock_.MonotonicMs()};
  }
}

void MissedWatch::ScheduledRunStarting() {
  if (!covered_) {
    return;
  }
  Check(pending_ ? pending_->cause : MissedCause::kBusy, true);
  pending_.reset();
  covered_ = std::max(*covered_, schedule::CivilMinuteOf(clock_.LocalNow()));
  Save();
}

void MissedWatch::RunEnded(bool ranBackup, bool settleNow) {
  if (ranBackup && owed_) {
    owed_ = false;  // a backup ran since the miss was noticed: it serves as the make-up
    Save();
  }
  if (!pending_) {
    pending_ = Pending{MissedCause::kBusy, clock_.MonotonicMs()};
  }
  if (settleNow) {
    Settle();
  }
}

void MissedWatch::RoutineEnded(bool settleNow) {
  if (!pending_) {
    pending_ = Pending{MissedCause::kBusy, clock_.MonotonicMs()};
  }
  if (settleNow) {
    Settle();
  }
}

void MissedWatch::Tick() {
  const platform::LocalDateTime now = clock_.LocalNow();
  const std::int64_t monotonic = clock_.MonotonicMs();
  const std::int64_t wall = schedule::CivilMsOf(now);
  if (lastTick_) {
    const std::int64_t drift = (wall - lastTick_->wallMs) - (monotonic - lastTick_->monotonicMs);
    if (drift > kJumpMs && (!pending_ || pending_->cause == MissedCause::kBusy)) {
      pending_ = Pending{MissedCause::kClock, monotonic + kJumpGraceMs};
    }
  }
  lastTick_ = TickMark{wall, monotonic};
  if ((pending_ && monotonic >= pending_->dueMs) || owed_) {
    Settle();
  }
}

void MissedWatch::Resumed() {
  // A jump noticed just before is the sleep seen by a clock that stopped.
  pending_ = Pending{MissedCause::kAsleep, clock_.MonotonicMs() + kResumeDelayMs};
}

void MissedWatch::Settle() {
  if (!covered_ || host_.Busy()) {
    return;  // the end of what keeps it busy settles again
  }
  if (pending_) {
    if (clock_.MonotonicMs() < pending_->dueMs) {
      return;  // a resume's wait covers every time up to its end
    }
    const MissedCause cause = pending_->cause;
    pending_.reset();
    Check(cause, false);
  }
  MakeUp();
}

void MissedWatch::Check(MissedCause cause, bool beforeScheduledRun) {
  const platform::LocalDateTime now = clock_.LocalNow();
  const std::int64_t nowMinute = schedule::CivilMinuteOf(now);
  // The current minute is not missed while the alarm is still going to fire in it (or is firing).
  const bool minuteStillComing = beforeScheduledRun || host_.AlarmFiresInMinute(now.hour, now.minute);
  const std::int64_t upTo = minuteStillComing ? nowMinute - 1 : nowMinute;
  if (upTo <= *covered_) {
    return;  // nothing new, or the clock was set back
  }
  const schedule::MissedTimes missed = schedule::TimesBetween(host_.EntryMinutes(), *covered_, upTo, kListedTimes);
  covered_ = upTo;
  if (missed.count > 0) {
    const bool makeUp = host_.MakeUpEnabled();
    owed_ = owed_ || makeUp;
    Save();  // before anything is shown: a crash now must not report the times again
    Report(missed, cause, now, makeUp);
    host_.ReArmSchedule();
  } else {
    Save();
  }
}

void MissedWatch::MakeUp() {
  while (owed_ && !host_.Busy()) {
    if (!host_.MakeUpEnabled()) {
      owed_ = false;  // turned off since: the report stays, the run is dropped
      Save();
      return;
    }
    // Recorded as done first: a make-up cut short by a crash is not run again at the next start.
    owed_ = false;
    Save();
    if (!host_.RunMakeUp()) {
      owed_ = true;
      Save();
      return;
    }
    Check(MissedCause::kBusy, false);  // times that passed while it ran
  }
}

void MissedWatch::Report(const schedule::MissedTimes& missed, MissedCause cause,
                         const platform::LocalDateTime& now, bool makeUp) {
  std::string times;
  for (std::size_t i = 0; i < missed.first.size(); ++i) {
    times += (i == 0 ? "" : ", ") + schedule::DateMinuteText(missed.first[i]);
  }
  if (missed.count > static_cast<std::int64_t>(missed.first.size())) {
    times += " and " + std::to_string(missed.count - static_cast<std::int64_t>(missed.first.size())) + " more";
  }
  MissedReport report;
  report.historyLine = platform::FormatLocalDateTime(now) + "\tmissed\tcause=" + MissedCauseText(cause) +
                       "\tcount=" + std::to_string(missed.count) + "\ttimes=" + times +
                       (makeUp ? "\tmakeup=yes" : "\tmakeup=no (MakeUp=0)");
  report.balloonText = schedule::MissedBalloonText(missed);
  report.detail = std::string(missed.count == 1 ? "Missed backup time (cause: " : "Missed backup times (cause: ") +
                  MissedCauseText(cause) + "): " + times +
                  (makeUp ? ". One make-up run follows." : ". Not made up (MakeUp=0).");
  report.time = now;
  host_.RecordMissed(report);
  host_.ShowMissedBalloon(report.balloonText);
}

void MissedWatch::Save() {
  if (!covered_) {
    return;
  }
  const AliveRecord record{*covered_, owed_};
  const std::string text = AliveRecordText(record);
  if (saved_ && *saved_ == text) {
    return;
  }
  if (WriteAliveRecord(recordPath_, record)) {
    saved_ = text;
  }
}

}  // namespace app
