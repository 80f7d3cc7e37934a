#include "schedule/missed_times.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using schedule::CivilMinuteOf;
using schedule::MissedTimes;
using schedule::TimesBetween;

std::int64_t At(int year, int month, int day, int hour, int minute) {
  platform::LocalDateTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  return CivilMinuteOf(t);
}

std::vector<std::string> ListedTexts(const MissedTimes& missed) {
  std::vector<std::string> texts;
  for (std::int64_t m : missed.first) {
    texts.push_back(schedule::DateMinuteText(m));
  }
  return texts;
}

TEST(CivilMinutes, DatesRoundTripAcrossMonthsLeapDaysAndCenturies) {
  EXPECT_EQ(At(1970, 1, 1, 0, 0), 0);
  EXPECT_EQ(At(1969, 12, 31, 23, 59), -1);
  for (const auto& [y, m, d] : {std::tuple{2024, 2, 29}, std::tuple{2026, 12, 31}, std::tuple{2027, 1, 1},
                                std::tuple{2000, 2, 29}, std::tuple{2100, 3, 1}, std::tuple{1999, 12, 31}}) {
    const std::int64_t minute = At(y, m, d, 23, 59);
    const platform::LocalDateTime back = schedule::DateTimeOfMinute(minute);
    EXPECT_EQ(back.year, y);
    EXPECT_EQ(back.month, m);
    EXPECT_EQ(back.day, d);
    EXPECT_EQ(back.hour, 23);
    EXPECT_EQ(back.minute, 59);
    EXPECT_EQ(schedule::DateTimeOfMinute(minute + 1).hour, 0) << "the next minute is the next day";
  }
  EXPECT_EQ(At(2024, 3, 1, 0, 0) - At(2024, 2, 28, 0, 0), 2 * 1440) << "2024 is a leap year";
  EXPECT_EQ(At(2100, 3, 1, 0, 0) - At(2100, 2, 28, 0, 0), 1440) << "2100 is not";
}

TEST(TimesBetween, TheStartIsExcludedTheEndIncludedAndEachTimeOfDayCountsOnce) {
  const std::vector<int> entries = {10 * 60, 8 * 60, 10 * 60, 18 * 60};  // unsorted, 10:00 twice
  MissedTimes m = TimesBetween(entries, At(2026, 12, 9, 8, 0), At(2026, 12, 9, 18, 0), 100);
  EXPECT_EQ(m.count, 2);
  EXPECT_EQ(ListedTexts(m), (std::vector<std::string>{"2026-12-09 10:00", "2026-12-09 18:00"}));
  EXPECT_EQ(TimesBetween(entries, At(2026, 12, 9, 8, 0), At(2026, 12, 9, 9, 59), 100).count, 0);
  EXPECT_EQ(TimesBetween(entries, At(2026, 12, 9, 18, 0), At(2026, 12, 9, 8, 0), 100).count, 0)
      << "a clock set back misses nothing";
  EXPECT_EQ(TimesBetween({}, 0, At(2026, 12, 9, 8, 0), 100).count, 0);
}

TEST(TimesBetween, AcrossMidnightAndNewYear) {
  const std::vector<int> entries = {0, 23 * 60 + 59};
  const MissedTimes m = TimesBetween(entries, At(2026, 12, 31, 23, 58), At(2027, 1, 1, 0, 0), 100);
  EXPECT_EQ(ListedTexts(m), (std::vector<std::string>{"2026-12-31 23:59", "2027-01-01 00:00"}));
}

TEST(TimesBetween, YearsAreCountedWithoutWalkingEveryDayOnceTheListIsFull) {
  const std::vector<int> entries = {2 * 60, 14 * 60};
  const std::int64_t from = At(2026, 12, 9, 12, 0);
  const std::int64_t to = At(2036, 12, 9, 12, 0);  // 3653 days later
  const MissedTimes m = TimesBetween(entries, from, to, 3);
  EXPECT_EQ(m.count, 2 * 3653);
  EXPECT_EQ(ListedTexts(m), (std::vector<std::string>{"2026-12-09 14:00", "2026-12-10 02:00", "2026-12-10 14:00"}));
  // The same count as a walk over every day.
  EXPECT_EQ(TimesBetween(entries, from, to, 100000).count, m.count);
  const MissedTimes huge = TimesBetween(entries, from, At(9999, 12, 31, 23, 59), 5);
  EXPECT_GT(huge.count, 2 * 365 * 7900);
}

TEST(MissedBalloonText, OneTimeSeveralAndMoreThanFive) {
  const std::int64_t day = At(2026, 12, 9, 0, 0);
  MissedTimes m;
  m.first = {day + 10 * 60};
  m.count = 1;
  EXPECT_EQ(schedule::MissedBalloonText(m), "Backup at 10:00 was missed.");
  m.first = {day + 10 * 60, day + 12 * 60 + 5};
  m.count = 2;
  EXPECT_EQ(schedule::MissedBalloonText(m), "Backups at 10:00, 12:05 were missed.");
  m.first.clear();
  for (int i = 0; i < 5; ++i) {
    m.first.push_back(day + i * 60);
  }
  m.count = 5;
  EXPECT_EQ(schedule::MissedBalloonText(m), "Backups at 00:00, 01:00, 02:00, 03:00, 04:00 were missed.");
  m.first.push_back(day + 5 * 60);
  m.count = 6;
  EXPECT_EQ(schedule::MissedBalloonText(m), "Backups at 00:00, 01:00, 02:00, 03:00, 04:00 and 1 more were missed.");
  m.count = 1000;
  EXPECT_EQ(schedule::MissedBalloonText(m), "Backups at 00:00, 01:00, 02:00, 03:00, 04:00 and 995 more were missed.");
}

}  // namespace
