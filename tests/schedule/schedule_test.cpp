#include "schedule/schedule.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace {

using schedule::ParseTime;
using schedule::Schedule;
using schedule::TimeConversionError;
using testing_support::FakeClock;
using testing_support::TempDir;

TEST(ParseTime, SplitsAtTheFirstColonIntoTwoBytes) {
  struct Case {
    const char* text;
    int hour;
    int minute;
  };
  const Case cases[] = {
      {"08:30", 8, 30}, {"7:5", 7, 5}, {" 8:00", 8, 0}, {"23:59", 23, 59}, {"24:00", 24, 0},
      {"-1:00", 255, 0}, {"256:300", 0, 44}, {"1:2:3", -1, -1},
  };
  for (const Case& c : cases) {
    if (c.hour < 0) {
      EXPECT_THROW(ParseTime(c.text), TimeConversionError) << c.text;
      continue;
    }
    const auto t = ParseTime(c.text);
    EXPECT_EQ(t.hour, c.hour) << c.text;
    EXPECT_EQ(t.minute, c.minute) << c.text;
  }
}

TEST(ParseTime, ErrorsNameThePartThatIsNotAnInteger) {
  const std::pair<const char*, const char*> cases[] = {
      {"0730", "'' is not a valid integer value"},        // no colon: the empty hour part fails
      {":", "'' is not a valid integer value"},
      {"08:", "'' is not a valid integer value"},
      {"8 :00", "'8 ' is not a valid integer value"},     // an incomplete masked entry
      {"ab:00", "'ab' is not a valid integer value"},
      {"12:3x", "'3x' is not a valid integer value"},
      {"99999999999:00", "'99999999999' is not a valid integer value"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ParseTime(text);
      ADD_FAILURE() << text << " was accepted";
    } catch (const TimeConversionError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

// The standard conversion of the time's halves skips leading spaces, and only spaces: a tab, a line
// break or any other white space before the digits makes the half no integer.
TEST(ParseTime, OnlySpacesMayLeadANumber) {
  const auto t = ParseTime("  8:  05");
  EXPECT_EQ(t.hour, 8);
  EXPECT_EQ(t.minute, 5);
  const std::pair<const char*, const char*> refused[] = {
      {"\t8:00", "'\t8' is not a valid integer value"},
      {"\n8:00", "'\n8' is not a valid integer value"},
      {"\r8:00", "'\r8' is not a valid integer value"},
      {"\v8:00", "'\v8' is not a valid integer value"},
      {"\f8:00", "'\f8' is not a valid integer value"},
      {"08:\t30", "'\t30' is not a valid integer value"},
      {" \t8:00", "' \t8' is not a valid integer value"},
      {"- 8:00", "'- 8' is not a valid integer value"},
  };
  for (const auto& [text, message] : refused) {
    try {
      ParseTime(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const TimeConversionError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

struct ScheduleFixture : ::testing::Test {
  TempDir dir;
  FakeClock clock;
  schedule::Alarm alarm{clock, ":"};
  std::string label = "00:00";
  std::uint8_t timeIndex = 0;  // the main window's, which the schedule works on
  Schedule schedule{dir.Path(), clock, alarm, timeIndex, [this](const std::string& text) { label = text; }};

  void SetUp() override { testing_support::MakeDir(dir.Path() + "\\Bak_Info"); }
  void WriteTimes(const std::string& body) {
    testing_support::WriteBytes(dir.Path() + "\\Bak_Info\\Bak_Info.ini", "[BAK]\r\n" + body);
  }
  void ExpectArmed(int hour, int minute, const std::string& text) {
    EXPECT_EQ(alarm.AlarmHour(), hour);
    EXPECT_EQ(alarm.AlarmMinute(), minute);
    EXPECT_EQ(alarm.AlarmSecond(), 0);
    EXPECT_TRUE(alarm.AlarmEnabled());
    EXPECT_EQ(label, text);
  }
};

TEST_F(ScheduleFixture, RefreshArmsTheNextLaterEntryOrTheFirstOneTomorrow) {
  WriteTimes("TimeCount=3\r\nTime_1=08:00\r\nTime_2=12:00\r\nTime_3=18:00\r\n");
  clock.Set(10, 0);
  schedule.Refresh();
  ExpectArmed(12, 0, "12:00");
  EXPECT_EQ(schedule.TimeIndex, 1);

  clock.Set(12, 0, 30);  // an entry equal to the current minute is past
  schedule.Refresh();
  ExpectArmed(18, 0, "18:00");

  clock.Set(19, 0);
  schedule.TimeIndex = 7;
  schedule.SetNextAlarm(1);
  ExpectArmed(8, 0, "08:00");
  EXPECT_EQ(schedule.TimeIndex, 1) << "the wrap starts over at entry 1";
  EXPECT_FALSE(alarm.AlarmArmed()) << "08:00 lies behind 19:00, so it fires tomorrow";
}

TEST_F(ScheduleFixture, ReArmingAfterARunSearchesFromTheNextPosition) {
  WriteTimes("TimeCount=3\r\nTime_1=08:00\r\nTime_2=12:00\r\nTime_3=18:00\r\n");
  schedule.LoadBakInfo();
  clock.Set(12, 3);
  schedule.SetNextAlarm(2);
  ExpectArmed(18, 0, "18:00");
  clock.Set(18, 5);
  schedule.SetNextAlarm(2);
  ExpectArmed(8, 0, "08:00");
}

TEST_F(ScheduleFixture, MissingEntriesCountAsMidnightAndAreSkipped) {
  WriteTimes("TimeCount=5\r\nTime_1=06:00\r\nTime_3=21:00\r\n");
  clock.Set(7, 0);
  schedule.Refresh();
  ExpectArmed(21, 0, "21:00");
  clock.Set(22, 0);
  schedule.Refresh();
  ExpectArmed(6, 0, "06:00");
}

TEST_F(ScheduleFixture, NoEntriesChangeNothing) {
  WriteTimes("TimeCount=0\r\nTime_1=08:00\r\n");
  clock.Set(7, 0);
  schedule.Refresh();
  EXPECT_FALSE(alarm.AlarmEnabled());
  EXPECT_EQ(label, "00:00");
  EXPECT_EQ(schedule.TimeCount(), 0);
}

TEST_F(ScheduleFixture, EntryTextIsShownExactlyAsStored) {
  WriteTimes("TimeCount=1\r\nTime_1=7:5\r\n");
  clock.Set(6, 0);
  schedule.Refresh();
  ExpectArmed(7, 5, "7:5");
}

TEST_F(ScheduleFixture, BadEntriesStopTheSearchAndLeaveSwitchAndLabel) {
  WriteTimes("TimeCount=1\r\nTime_1=0730\r\n");
  clock.Set(6, 0);
  EXPECT_THROW(schedule.Refresh(), TimeConversionError);
  EXPECT_FALSE(alarm.AlarmEnabled());
  EXPECT_EQ(label, "00:00");
  EXPECT_EQ(schedule.TimeIndex, 1) << "Refresh had already reset the position";

  WriteTimes("TimeCount=1\r\nTime_1=24:00\r\n");
  EXPECT_THROW(schedule.Refresh(), schedule::ConversionError);
  EXPECT_EQ(label, "00:00");

  WriteTimes("TimeCount=1\r\nTime_1=09:75\r\n");
  EXPECT_THROW(schedule.Refresh(), schedule::ConversionError);
  EXPECT_EQ(alarm.AlarmHour(), 9) << "the hour is set before the minute is refused";
  EXPECT_FALSE(alarm.AlarmEnabled());
}

TEST_F(ScheduleFixture, TimeCountUpTo255KeepsItsLowEightBitsAndALargerOneUsesTheFirst255) {
  // Counts up to 255 behave as they always did; above, 256 kept in 8 bits would arm nothing and
  // 300 only 44 entries: the first 255 are used, and the count above is told to the caller.
  const std::tuple<const char*, int, int> cases[] = {{"255", 255, 0},   {"256", 255, 256}, {"257", 255, 257},
                                                     {"300", 255, 300}, {"-1", 255, 0},    {"junk", 0, 0},
                                                     {"1", 1, 0}};
  for (const auto& [stored, count, above] : cases) {
    WriteTimes(std::string("TimeCount=") + stored + "\r\n");
    schedule.LoadBakInfo();
    EXPECT_EQ(schedule.TimeCount(), count) << stored;
    EXPECT_EQ(schedule.CountAboveLimit(), above) << stored;
  }
}

TEST_F(ScheduleFixture, ACountOf300ArmsFromTheFirst255EntriesAndListsTheirTimes) {
  std::string body = "TimeCount=300\r\n";
  for (int n = 1; n <= 300; ++n) {
    const int minute = 8 * 60 + n;  // 08:01 .. 13:00, ascending
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", minute / 60 % 100, minute % 60);
    if (n != 7) {
      body += "Time_" + std::to_string(n) + "=" + text + "\r\n";
    }
  }
  WriteTimes(body);
  clock.Set(12, 15);
  schedule.Refresh();
  // Entry 255 is 12:15, which is past: entries 256.. (12:16 on) are not used, so tomorrow's first.
  ExpectArmed(8, 1, "08:01");
  const std::vector<int> minutes = schedule.EntryMinutes();
  ASSERT_EQ(minutes.size(), 254u) << "the missing entry 7 is no time of its own";
  EXPECT_EQ(minutes.front(), 8 * 60 + 1);
  EXPECT_EQ(minutes.back(), 12 * 60 + 15);
}

TEST_F(ScheduleFixture, AFullListOf255PastEntriesWrapsToTheFirst) {
  std::string body = "TimeCount=255\r\n";
  for (int n = 1; n <= 255; ++n) {
    body += "Time_" + std::to_string(n) + "=01:00\r\n";
  }
  WriteTimes(body);
  clock.Set(23, 0);
  schedule.Refresh();
  ExpectArmed(1, 0, "01:00");
  schedule.TimeIndex = 255;
  schedule.SetNextAlarm(255);
  ExpectArmed(1, 0, "01:00");
  EXPECT_EQ(schedule.TimeIndex, 1);
}

TEST_F(ScheduleFixture, PositionZeroAfterTheIndexWrapsStillFindsTheNextTime) {
  WriteTimes("TimeCount=2\r\nTime_1=08:00\r\nTime_2=20:00\r\n");
  schedule.LoadBakInfo();
  clock.Set(9, 0);
  schedule.SetNextAlarm(0);
  ExpectArmed(20, 0, "20:00");
}

TEST_F(ScheduleFixture, BackupDirectoryDefaultsBesideTheProgram) {
  WriteTimes("TimeCount=1\r\n");
  schedule.LoadBakInfo();
  EXPECT_EQ(schedule.BakDir(), dir.Path() + "\\BakDir");
  WriteTimes("TimeCount=1\r\nBakDir=D:\\SqlBackup\r\n");
  schedule.LoadBakInfo();
  EXPECT_EQ(schedule.BakDir(), "D:\\SqlBackup");
}

}  // namespace

TEST(ScheduleTimeIndex, RefreshAndTheWrapChangeTheOwnersValueAndSearchesSeeItsChanges) {
  TempDir dir;
  testing_support::MakeDir(dir.Path() + "\\Bak_Info");
  testing_support::WriteBytes(dir.Path() + "\\Bak_Info\\Bak_Info.ini",
                              "[BAK]\r\nTimeCount=2\r\nTime_1=08:00\r\nTime_2=20:00\r\n");
  FakeClock clock;
  schedule::Alarm alarm{clock, ":"};
  std::uint8_t ownersIndex = 9;
  Schedule schedule{dir.Path(), clock, alarm, ownersIndex, nullptr};
  clock.Set(21, 0);
  schedule.Refresh();
  EXPECT_EQ(ownersIndex, 1) << "Refresh and the wrap write the one value the main window holds";
  ownersIndex = 200;  // e.g. a connection routine, then scheduled runs, moved it
  EXPECT_EQ(schedule.TimeIndex, 200);
}
