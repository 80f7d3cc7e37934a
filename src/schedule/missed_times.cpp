#include "schedule/missed_times.h"

#include <algorithm>
#include <cstdio>

namespace schedule {
namespace {

constexpr std::int64_t kMinutesPerDay = 1440;
constexpr std::size_t kBalloonTimes = 5;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0); }

}  // namespace

std::int64_t CivilMinuteOf(const platform::LocalDateTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * kMinutesPerDay + t.hour * 60 + t.minute;
}

std::int64_t CivilMsOf(const platform::LocalDateTime& t) {
  return (CivilMinuteOf(t) * 60 + t.second) * 1000 + t.millisecond;
}

platform::LocalDateTime DateTimeOfMinute(std::int64_t civilMinute) {
  platform::LocalDateTime t;
  const std::int64_t days = FloorDiv(civilMinute, kMinutesPerDay);
  const std::int64_t ofDay = civilMinute - days * kMinutesPerDay;
  CivilFromDays(days, t.year, t.month, t.day);
  t.hour = static_cast<int>(ofDay / 60);
  t.minute = static_cast<int>(ofDay % 60);
  return t;
}

MissedTimes TimesBetween(const std::vector<int>& minutesOfDay, std::int64_t after, std::int64_t upTo,
                         std::size_t keep) {
  MissedTimes missed;
  if (upTo <= after || minutesOfDay.empty()) {
    return missed;
  }
  std::vector<int> times = minutesOfDay;
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  const auto perDay = static_cast<std::int64_t>(times.size());
  const std::int64_t firstDay = FloorDiv(after, kMinutesPerDay);
  const std::int64_t lastDay = FloorDiv(upTo, kMinutesPerDay);
  for (std::int64_t day = firstDay; day <= lastDay; ++day) {
    // The days in the middle hold every time; once the list is full they are only counted, so that
    // a clock set years ahead costs no more than a day.
    if (day != firstDay && day != lastDay && missed.first.size() >= keep) {
      const std::int64_t middleDays = lastDay - day;
      missed.count += middleDays * perDay;
      day = lastDay - 1;
      continue;
    }
    for (int minute : times) {
      const std::int64_t time = day * kMinutesPerDay + minute;
      if (time > after && time <= upTo) {
        ++missed.count;
        if (missed.first.size() < keep) {
          missed.first.push_back(time);
        }
      }
    }
  }
  return missed;
}

std::string HourMinuteText(std::int64_t civilMinute) {
  const platform::LocalDateTime t = DateTimeOfMinute(civilMinute);
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", t.hour % 100, t.minute % 100);
  return text;
}

std::string DateMinuteText(std::int64_t civilMinute) {
  const platform::LocalDateTime t = DateTimeOfMinute(civilMinute);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year % 10000, t.month % 100, t.day % 100,
                t.hour % 100, t.minute % 100);
  return text;
}

std::string MissedBalloonText(const MissedTimes& missed) {
  std::string times;
  const std::size_t shown = std::min({missed.first.size(), kBalloonTimes, static_cast<std::size_t>(missed.count)});
  for (std::size_t i = 0; i < shown; ++i) {
    times += (i == 0 ? "" : ", ") + HourMinuteText(missed.first[i]);
  }
  if (missed.count == 1) {
    return "Backup at " + times + " was missed.";
  }
  if (missed.count > static_cast<std::int64_t>(shown)) {
    times += " and " + std::to_string(missed.count - static_cast<std::int64_t>(shown)) + " more";
  }
  return "Backups at " + times + " were missed.";
}

}  // namespace schedule
