#include "schedule/alarm.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"

namespace {

using schedule::Alarm;
using testing_support::FakeClock;

struct AlarmFixture : ::testing::Test {
  FakeClock clock;
  Alarm alarm{clock, ":"};
  int fired = 0;

  void Tick(int h, int m, int s, int ms = 0) {
    clock.Set(h, m, s, ms);
    alarm.Check([this] { ++fired; });
  }
  void Arm(int h, int m) {
    alarm.SetAlarmHour(static_cast<std::uint8_t>(h));
    alarm.SetAlarmMinute(static_cast<std::uint8_t>(m));
    alarm.SetAlarmEnabled(true);
  }
};

TEST_F(AlarmFixture, AlarmAheadFiresOnceAtFirstTickOfItsMinute) {
  clock.Set(10, 0);
  Arm(14, 30);
  Tick(14, 29, 59, 900);
  EXPECT_EQ(fired, 0);
  Tick(14, 30, 0, 200);
  EXPECT_EQ(fired, 1);
  Tick(14, 30, 30);
  Tick(14, 30, 59, 999);
  Tick(14, 31, 0);
  EXPECT_EQ(fired, 1);
  EXPECT_TRUE(alarm.AlarmEnabled()) << "firing must not switch the alarm off";
}

TEST_F(AlarmFixture, AlarmBehindFiresNextDayOnly) {
  clock.Set(10, 0);
  Arm(8, 0);
  Tick(10, 0, 1);
  Tick(23, 59, 59);
  EXPECT_EQ(fired, 0);
  Tick(0, 0, 0, 300);  // past midnight the latch is armed again
  Tick(8, 0, 0, 100);
  EXPECT_EQ(fired, 1);
}

TEST_F(AlarmFixture, AlarmOfTheCurrentMinuteAlreadyBegunWaitsForTomorrow) {
  clock.Set(10, 0, 20);
  Arm(10, 0);
  Tick(10, 0, 21);
  Tick(10, 0, 59);
  EXPECT_EQ(fired, 0);
  Tick(0, 0, 1);
  Tick(10, 0, 0, 10);
  EXPECT_EQ(fired, 1);
}

TEST_F(AlarmFixture, SecondsElementDelaysTheWindow) {
  clock.Set(10, 0, 20);
  alarm.SetAlarmHour(10);
  alarm.SetAlarmMinute(0);
  alarm.SetAlarmSecond(30);
  alarm.SetAlarmEnabled(true);
  Tick(10, 0, 29, 999);
  EXPECT_EQ(fired, 0);
  Tick(10, 0, 30, 100);
  EXPECT_EQ(fired, 1);
}

TEST_F(AlarmFixture, MidnightAlarmIsAlwaysArmedAndRepeatsWhenRewritten) {
  alarm.SetAlarmEnabled(true);  // never written: 00:00:00
  Tick(0, 0, 10);               // first tick after a start inside minute 00:00
  EXPECT_EQ(fired, 1);
  Tick(0, 0, 11);
  EXPECT_EQ(fired, 1);
  alarm.SetAlarmHour(0);  // a handler arming 00:00 again within the minute
  Tick(0, 0, 12);
  EXPECT_EQ(fired, 2);
  Tick(0, 1, 0);
  Tick(0, 0, 5);  // next day
  EXPECT_EQ(fired, 3);
}

TEST_F(AlarmFixture, BlockedThreadMissesWholeMinuteButCatchesLateTickInside) {
  clock.Set(9, 0);
  Arm(10, 0);
  Tick(9, 59, 50);
  Tick(10, 1, 10);  // nothing served during 10:00
  EXPECT_EQ(fired, 0);
  Tick(10, 0, 0);  // clock set back into the window the same day: not re-armed, stays silent
  EXPECT_EQ(fired, 0);

  FakeClock other;
  Alarm second(other, ":");
  other.Set(9, 0);
  second.SetAlarmHour(10);
  second.SetAlarmEnabled(true);
  int late = 0;
  other.Set(10, 0, 40);
  second.Check([&] { ++late; });
  EXPECT_EQ(late, 1);
}

TEST_F(AlarmFixture, ClockSetBackAfterFiringFiresAgain) {
  clock.Set(9, 0);
  Arm(10, 0);
  Tick(10, 0, 1);
  Tick(10, 5, 0);
  Tick(9, 58, 0);  // the system clock moved back: before the alarm, the latch re-arms
  Tick(10, 0, 0);
  EXPECT_EQ(fired, 2);
}

TEST_F(AlarmFixture, EnablingInsideTheWindowDoesNotFire) {
  clock.Set(9, 0);
  Arm(10, 0);
  alarm.SetAlarmEnabled(false);
  Tick(9, 59, 0);
  Tick(10, 0, 10);
  alarm.SetAlarmEnabled(true);
  Tick(10, 0, 30);
  Tick(10, 0, 59);
  EXPECT_EQ(fired, 0);
}

// The clock moves on between any two readings; a check must not mix two of them.
// A 10:00 alarm armed at 09:00 on a clock that advances 1 ms with every reading.
struct AdvancingAlarm {
  testing_support::AdvancingClock clock{1};
  Alarm alarm{clock, ":"};
  int fired = 0;

  AdvancingAlarm() {
    clock.Set(9, 0);
    alarm.SetAlarmHour(10);
    alarm.SetAlarmEnabled(true);
  }
  void CheckAt(std::uint32_t msOfDay) {
    clock.SetMs(msOfDay);
    alarm.Check([this] { ++fired; });
  }
};

constexpr std::uint32_t kTenOClock = 10u * 3600u * 1000u;

TEST(AlarmReadings, ACheckJustBeforeTheWindowStillLeavesTheAlarmArmed) {
  AdvancingAlarm a;
  a.CheckAt(kTenOClock - 1);  // a second reading within this check would give 10:00:00.000
  EXPECT_TRUE(a.alarm.AlarmArmed());
  a.CheckAt(kTenOClock + 449);
  EXPECT_EQ(a.fired, 1);
}

TEST(AlarmReadings, FiresExactlyOnceInItsMinuteWhateverThePhaseOfTheTicks) {
  for (std::uint32_t phase = 0; phase < 450; ++phase) {
    AdvancingAlarm a;
    for (std::uint32_t t = kTenOClock - 2000 + phase; t < kTenOClock + 61000; t += 450) {
      a.CheckAt(t);
    }
    EXPECT_EQ(a.fired, 1) << "ticks at phase " << phase << " ms";
  }
}

TEST_F(AlarmFixture, OutOfRangeElementsRaiseAndLeaveAlarmUnchanged) {
  clock.Set(6, 0);
  alarm.SetAlarmHour(7);
  alarm.SetAlarmMinute(30);
  const bool armedBefore = alarm.AlarmArmed();
  try {
    alarm.SetAlarmHour(24);
    FAIL() << "hour 24 accepted";
  } catch (const schedule::ConversionError& e) {
    EXPECT_STREQ(e.what(), "''24:30:0'' is not a valid time");
  }
  EXPECT_EQ(alarm.AlarmHour(), 7);
  EXPECT_EQ(alarm.AlarmArmed(), armedBefore);

  alarm.SetAlarmHour(9);
  try {
    alarm.SetAlarmMinute(75);
    FAIL() << "minute 75 accepted";
  } catch (const schedule::ConversionError& e) {
    EXPECT_STREQ(e.what(), "''9:75:0'' is not a valid time");
  }
  EXPECT_EQ(alarm.AlarmHour(), 9);
  EXPECT_EQ(alarm.AlarmMinute(), 30);
  EXPECT_THROW(alarm.SetAlarmSecond(60), schedule::ConversionError);
  alarm.SetElement(4, 99);  // unknown element: ignored
  EXPECT_EQ(alarm.AlarmMillisecondsOfDay(), (9u * 3600 + 30 * 60) * 1000);
}

TEST_F(AlarmFixture, ErrorTextUsesTheSystemSeparator) {
  Alarm dotted(clock, ".");
  EXPECT_THROW(
      {
        try {
          dotted.SetAlarmMinute(60);
        } catch (const schedule::ConversionError& e) {
          EXPECT_STREQ(e.what(), "''0.60.0'' is not a valid time");
          throw;
        }
      },
      schedule::ConversionError);
}

TEST_F(AlarmFixture, ExceptionInHandlerLeavesLatchCleared) {
  clock.Set(9, 0);
  Arm(10, 0);
  clock.Set(10, 0, 1);
  EXPECT_THROW(alarm.Check([] { throw std::runtime_error("boom"); }), std::runtime_error);
  Tick(10, 0, 2);
  EXPECT_EQ(fired, 0) << "the same window must not fire twice after a failed handler";
}

}  // namespace
