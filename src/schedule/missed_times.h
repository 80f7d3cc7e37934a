#pragma once
// The backup times that passed without their backup: which entries of the schedule fall between two
// readings of the local clock, and how the operator is told about them. A time is a minute of the
// local calendar, counted as plain civil time (a daylight-saving change shows as a jump of the clock).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/local_time.h"

namespace schedule {

// Minutes since 1970-01-01 00:00 of the local calendar, and milliseconds on the same scale.
std::int64_t CivilMinuteOf(const platform::LocalDateTime& time);
std::int64_t CivilMsOf(const platform::LocalDateTime& time);
platform::LocalDateTime DateTimeOfMinute(std::int64_t civilMinute);

struct MissedTimes {
  std::vector<std::int64_t> first;  // the earliest missed times (civil minutes), at most the number asked for
  std::int64_t count = 0;           // all of them
};

// The times of the day's entries (minutes of the day, 0..1439, each once) that fall after `after` and
// not after `upTo` on any day between; the earliest `keep` of them listed.
MissedTimes TimesBetween(const std::vector<int>& minutesOfDay, std::int64_t after, std::int64_t upTo,
                         std::size_t keep);

// "HH:MM".
std::string HourMinuteText(std::int64_t civilMinute);
// "YYYY-MM-DD HH:MM".
std::string DateMinuteText(std::int64_t civilMinute);

// The Warning balloon's text: "Backup at 10:00 was missed.", "Backups at 10:00, 11:00 were missed.",
// beyond five times the first five and "and N more".
std::string MissedBalloonText(const MissedTimes& missed);

}  // namespace schedule
