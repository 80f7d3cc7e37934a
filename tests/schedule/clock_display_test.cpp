#include "schedule/clock_display.h"

#include <gtest/gtest.h>

namespace {

using platform::TimeOfDay;
using schedule::ClockFormat;

TimeOfDay At(int h, int m, int s) {
  return TimeOfDay{static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(m), static_cast<std::uint16_t>(s), 0};
}

TEST(ClockText, MainWindowClockShowsHoursAndMinutesOn24Hours) {
  ClockFormat panel;
  panel.showSeconds = false;
  EXPECT_EQ(schedule::ClockText(At(9, 5, 12), panel), "09:05");
  EXPECT_EQ(schedule::ClockText(At(23, 59, 59), panel), "23:59");
  EXPECT_EQ(schedule::ClockText(At(0, 0, 0), panel), "00:00");
  EXPECT_EQ(schedule::ClockCellCount(At(9, 5, 0), panel), 5u);
}

TEST(ClockText, OtherFormats) {
  ClockFormat f;
  f.twelveHour = true;
  f.leadingZero = false;
  f.timeSeparator = ".";
  EXPECT_EQ(schedule::ClockText(At(0, 7, 3), f), "12.07.03 AM");
  EXPECT_EQ(schedule::ClockText(At(13, 7, 3), f), "1.07.03 PM");
  EXPECT_EQ(schedule::ClockCellCount(At(13, 7, 3), f), 7u);
  EXPECT_EQ(schedule::ClockCellCount(At(12, 7, 3), f), 8u);
  f.leadingZero = true;
  EXPECT_EQ(schedule::ClockText(At(13, 7, 3), f), "01.07.03 PM");
}

TEST(ClockTick, RedrawsOnlyWhatChangedAndRepaintsOnEveryHour) {
  const schedule::ShownTime shown{9, 59, 59};
  auto plan = schedule::PlanTick(shown, At(9, 59, 59));
  EXPECT_EQ(plan.kind, schedule::TickRepaint::kPartial);
  EXPECT_FALSE(plan.minuteCells);
  EXPECT_FALSE(plan.secondCells);
  plan = schedule::PlanTick(schedule::ShownTime{9, 58, 59}, At(9, 59, 0));
  EXPECT_TRUE(plan.minuteCells);
  EXPECT_TRUE(plan.secondCells);
  EXPECT_EQ(schedule::PlanTick(shown, At(10, 0, 0)).kind, schedule::TickRepaint::kFull);
  EXPECT_EQ(schedule::PlanTick(schedule::ShownTime{11, 59, 59}, At(12, 0, 0)).kind, schedule::TickRepaint::kFull)
      << "noon changes the comparison hour from 11 to 0";
  EXPECT_EQ(schedule::PlanTick(schedule::ShownTime{0, 5, 0}, At(12, 6, 0)).kind, schedule::TickRepaint::kPartial)
      << "hours twelve apart compare equal";
}

}  // namespace
