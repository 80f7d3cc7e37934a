// The backup run with its record of made files and the clean-up of old archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "backup/backup_run.h"
#include "backup/made_files_record.h"
#include "backup/run_world.h"
#include "support/temp_dir.h"

namespace backup_run_cleanup_test {

using backup::BackupRun;
using backup::CleanupEvent;
using backup::RunKind;
using backup::RunOutcome;
using testing_support::RunWorld;
using testing_support::TempDir;
using testing_support::WriteBytes;

const std::string kRar = "C:\\Program Files\\Winrar\\Rar.exe";

struct RunCleanupTest : ::testing::Test {
  TempDir dir;
  RunWorld world;
  BackupRun run{world.Services()};
  int runs = 0;

  void SetUp() override {
    world.settingsPath = dir.File("Bak_Info.ini");
    world.files[kRar] = "program";
    Settings("E:\\Mirror\\", "F:\\Second\\", "KeepDays=2\r\nKeepCount=1\r\n");
  }
  void Settings(const std::string& copy1, const std::string& copy2, const std::string& keep) const {
    WriteBytes(world.settingsPath, "[BAK]\r\nRarProgram=" + kRar + "\r\n" + keep + "[copy]\r\ncount=2\r\ncopy1=" + copy1 +
                                       "\r\ncopy2=" + copy2 + "\r\n");
  }
  // A scheduled run on day `day` of December 2026 at 02:00, whose server names its file after the run.
  void RunOnDay(int day) {
    const int n = ++runs;
    world.createBakFile = [n] { return "QEL_" + std::to_string(n) + ".bak"; };
    world.now = {2026, 12, day, 2, 0, 5, 0};
    world.monotonic += 24 * 3600 * 1000LL;
    world.connected = true;
    EXPECT_EQ(run.Run(RunKind::kScheduled), backup::RunEnd::kDone);
  }
  [[nodiscard]] std::size_t Recorded() const {
    const auto found = world.files.find(backup::MadeFilesPath(world.settingsPath));
    if (found == world.files.end()) {
      return 0;
    }
    const auto record = backup::ParseMadeFiles(found->second);
    return record ? record->size() : 0;
  }
  [[nodiscard]] bool Has(const std::string& path) const { return world.files.count(path) != 0; }
};

TEST_F(RunCleanupTest, AnArchiveThatFailedItsTestIsNotCopiedAndNeverKeptAsANewest) {
  world.testExit = 2u;
  world.connected = true;
  EXPECT_EQ(run.Run(RunKind::kImmediate), backup::RunEnd::kDone);
  EXPECT_TRUE(std::none_of(world.trace.begin(), world.trace.end(),
                           [](const std::string& step) { return step.rfind("copy ", 0) == 0; }))
      << "no copy was even tried";
  EXPECT_FALSE(Has("E:\\Mirror\\Copy of QEL_1.rar"));
  EXPECT_TRUE(Has("D:\\Backup\\Shop_1200.rar")) << "it stays for inspection";
  EXPECT_TRUE(Has("D:\\Backup\\Shop_1200.bak")) << "and so does the backup file";
  ASSERT_EQ(world.balloons.size(), 1u);
  EXPECT_EQ(world.balloons[0].text, "Bakup of database \"QEL\" is created, but the archive failed its test.");
  const backup::RunRecord& record = run.LastRecord();
  EXPECT_EQ(record.outcome, RunOutcome::kWarning);
  EXPECT_EQ(record.outcomeText,
            "the archive failed its test. No copies were made: an archive that failed its test is not copied.");
  EXPECT_EQ(record.copiesMade, 0);
  EXPECT_EQ(record.copiesListed, 2);
  const std::string line = backup::HistoryLine(record);
  EXPECT_NE(line.find("\ttest=2\t"), std::string::npos) << line;
  EXPECT_NE(line.find("\tcopies=0/2\t"), std::string::npos) << line;

  world.packExit = 3u;  // the archiver fails: nothing to copy, and nothing recorded
  world.testExit = 0u;
  world.files.erase("D:\\Backup\\Shop_1200.rar");
  world.connected = true;
  run.Run(RunKind::kImmediate);
  EXPECT_EQ(run.LastRecord().outcomeText,
            "the archive was not made. No copies were made: there was no archive to copy.");
  const auto made = backup::ParseMadeFiles(world.files.at(backup::MadeFilesPath(world.settingsPath)));
  ASSERT_TRUE(made.has_value());
  ASSERT_EQ(made->size(), 1u) << "only the failed archive of the first run";
  EXPECT_FALSE((*made)[0].tested);
}

TEST_F(RunCleanupTest, ScheduledRunsOverDaysRemoveOnlyWhatIsOldAndNeverAfterAPartialRun) {
  world.files["D:\\Backup\\foreign.rar"] = "not the program's";
  RunOnDay(1);
  RunOnDay(2);
  EXPECT_EQ(Recorded(), 6u);
  RunOnDay(4);
  // Day 4: the files of day 1 are three days old; those of day 2 exactly two.
  for (const char* gone : {"D:\\Backup\\QEL_1.rar", "E:\\Mirror\\Copy of QEL_1.rar", "F:\\Second\\Copy of QEL_1.rar"}) {
    EXPECT_FALSE(Has(gone)) << gone;
  }
  EXPECT_TRUE(Has("D:\\Backup\\QEL_2.rar")) << "exactly two days old is not older than two days";
  const auto& events = run.LastRecord().cleanup.events;
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, CleanupEvent::Kind::kRemoved);

  // Day 6, and the second copy folder is missing: a run that succeeded only in part removes nothing.
  world.folders.erase("F:\\Second");
  RunOnDay(6);
  EXPECT_EQ(run.LastRecord().outcome, RunOutcome::kWarning);
  EXPECT_TRUE(run.LastRecord().cleanup.events.empty());
  EXPECT_TRUE(Has("D:\\Backup\\QEL_2.rar"));
  EXPECT_TRUE(Has("E:\\Mirror\\Copy of QEL_2.rar"));

  // Day 7: F:\Second is back but no longer a copy folder; it is still cleaned from the record.
  world.folders.insert("F:\\Second");
  Settings("E:\\Mirror\\", "", "KeepDays=2\r\nKeepCount=1\r\n");
  RunOnDay(7);
  EXPECT_EQ(run.LastRecord().outcome, RunOutcome::kOk);
  EXPECT_FALSE(Has("D:\\Backup\\QEL_2.rar"));
  EXPECT_FALSE(Has("D:\\Backup\\QEL_3.rar"));
  EXPECT_FALSE(Has("F:\\Second\\Copy of QEL_2.rar"));
  EXPECT_TRUE(Has("F:\\Second\\Copy of QEL_3.rar")) << "the newest of its folder, whatever its age";
  EXPECT_TRUE(Has("D:\\Backup\\QEL_5.rar"));
  EXPECT_TRUE(Has("D:\\Backup\\foreign.rar"));
  EXPECT_GE(run.LastRecord().cleanupMs, 0);

  // Without KeepDays (or with a value that is no number) nothing more goes.
  Settings("E:\\Mirror\\", "", "KeepDays=soon\r\n");
  RunOnDay(30);
  EXPECT_TRUE(run.LastRecord().cleanup.events.empty());
  EXPECT_TRUE(Has("D:\\Backup\\QEL_5.rar"));
}

TEST_F(RunCleanupTest, AFailedRunRemovesNothing) {
  RunOnDay(1);
  world.createBakFile = []() -> std::string { throw std::runtime_error("Cannot open backup device"); };
  world.now = {2026, 12, 20, 2, 0, 5, 0};
  world.connected = true;
  EXPECT_EQ(run.Run(RunKind::kScheduled), backup::RunEnd::kFailed);
  EXPECT_TRUE(Has("D:\\Backup\\QEL_1.rar"));
  EXPECT_TRUE(run.LastRecord().cleanup.events.empty());
  EXPECT_EQ(Recorded(), 3u);
}

}  // namespace backup_run_cleanup_test
