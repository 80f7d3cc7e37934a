#include "app/alive_record.h"

#include <gtest/gtest.h>

#include "schedule/missed_times.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(AliveRecord, WrittenInOneStepAndReadBack) {
  TempDir dir;
  const std::string path = dir.File("alive.txt");
  EXPECT_FALSE(app::ReadAliveRecord(path).has_value()) << "missing";
  platform::LocalDateTime t;
  t.year = 2024;
  t.month = 2;
  t.day = 29;
  t.hour = 23;
  t.minute = 59;
  const app::AliveRecord record{schedule::CivilMinuteOf(t), true};
  ASSERT_TRUE(app::WriteAliveRecord(path, record));
  EXPECT_EQ(ReadBytes(path), "covered=2024-02-29 23:59\r\nmakeup=owed\r\n");
  const auto back = app::ReadAliveRecord(path);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->coveredMinute, record.coveredMinute);
  EXPECT_TRUE(back->makeUpOwed);
  ASSERT_TRUE(app::WriteAliveRecord(path, app::AliveRecord{record.coveredMinute + 1, false}));
  EXPECT_EQ(ReadBytes(path), "covered=2024-03-01 00:00\r\nmakeup=none\r\n");
  EXPECT_FALSE(app::WriteAliveRecord(dir.File("no such folder\\alive.txt"), record)) << "never creates folders";
}

TEST(AliveRecord, AnythingButTheExactFormIsRefused) {
  TempDir dir;
  const std::string path = dir.File("alive.txt");
  const char* refused[] = {
      "",
      "covered=2026-12-09 10:00\r\n",
      "covered=2026-12-09 10:00\r\nmakeup=none",
      "covered=2026-12-09 10:00\nmakeup=none\n",
      "covered=2026-12-09 10:00\r\nmakeup=none\r\nmore\r\n",
      "covered=2026-13-09 10:00\r\nmakeup=none\r\n",
      "covered=2026-02-29 10:00\r\nmakeup=none\r\n",
      "covered=2026-12-09 24:00\r\nmakeup=none\r\n",
      "covered=2026-12-09 10:60\r\nmakeup=none\r\n",
      "covered=2026-12-9 10:00\r\nmakeup=none\r\n",
      "covered=+026-12-09 10:00\r\nmakeup=none\r\n",
      "Covered=2026-12-09 10:00\r\nmakeup=none\r\n",
      "covered=2026-12-09 10:00\r\nmakeup=NONE\r\n",
      "\xEF\xBB\xBF" "covered=2026-12-09 10:00\r\nmakeup=none\r\n",
  };
  for (const char* text : refused) {
    WriteBytes(path, text);
    EXPECT_FALSE(app::ReadAliveRecord(path).has_value()) << text;
  }
  WriteBytes(path, std::string("covered=2026-12-09 10:00\r\nmakeup=none\r\n") + std::string(1 << 20, 'x'));
  EXPECT_FALSE(app::ReadAliveRecord(path).has_value()) << "a huge file is not read";
  WriteBytes(path, "covered=2026-12-09 10:00\r\nmakeup=none\r\n");
  EXPECT_TRUE(app::ReadAliveRecord(path).has_value());
}

}  // namespace
