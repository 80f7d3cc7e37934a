#include "backup/backup_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backup/backup_names.h"
#include "backup/run_world.h"
#include "support/temp_dir.h"

namespace {

using backup::BackupRun;
using backup::BalloonIcon;
using backup::RunEnd;
using backup::RunKind;
using backup::RunOutcome;
using testing_support::RunWorld;
using testing_support::TempDir;
using testing_support::WriteBytes;

const std::string kRar = "C:\\Program Files\\Winrar\\Rar.exe";
const std::string kBak = "D:\\Backup\\Shop_1200.bak";
const std::string kArchive = "D:\\Backup\\Shop_1200.rar";
const std::string kCreated = "Bakup of database \"QEL\" is created.";

struct BackupRunTest : ::testing::Test {
  TempDir dir;
  RunWorld world;
  BackupRun run{world.Services()};

  void SetUp() override {
    world.settingsPath = dir.File("Bak_Info.ini");
    world.files[kRar] = "program";
    Settings("[BAK]\r\nRarProgram=" + kRar + "\r\n[copy]\r\ncount=2\r\ncopy1=E:\\Mirror\\\r\ncopy2=\r\n");
  }
  void Settings(const std::string& text) { WriteBytes(world.settingsPath, text); }
};

TEST_F(BackupRunTest, ScheduledRunFollowsTheStepsInOrder) {
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kDone);
  const std::vector<std::string> expected = {
      "connect",
      "alarm off",
      "server QEL D:\\Backup",
      "pack Shop_1200.rar " + kBak + " D:\\Backup " + kRar,
      "test " + kArchive + " D:\\Backup " + kRar,
      "copy E:\\Mirror\\Copy of Shop_1200.rar",
      "messages",  // the empty second entry is a pass too
      "messages",
      "arm next",
      "delete " + kBak,
      "balloon INFO",
      "close",
  };
  EXPECT_EQ(world.trace, expected);
  ASSERT_EQ(world.balloons.size(), 1u);
  EXPECT_EQ(world.balloons[0].text, kCreated);
  EXPECT_EQ(world.balloons[0].icon, BalloonIcon::kInfo);
  EXPECT_EQ(world.balloons[0].seconds, 10);
  EXPECT_EQ(world.files.count(kBak), 0u);
  EXPECT_EQ(world.files.at("E:\\Mirror\\Copy of Shop_1200.rar"), world.files.at(kArchive));
  EXPECT_FALSE(world.GateHeld());
}

// 7-Zip named as the archiver: the same steps on "<name>.7z"; its warning exit code 1, with an
// archive written all the same, keeps the backup file.
TEST_F(BackupRunTest, SevenZipMakesA7zArchiveAndItsCopies) {
  const std::string sevenZip = "C:\\Program Files\\7-Zip\\7Z.EXE";
  const std::string archive = "D:\\Backup\\Shop_1200.7z";
  world.files[sevenZip] = "program";
  Settings("[BAK]\r\nRarProgram=" + sevenZip + "\r\n[copy]\r\ncount=1\r\ncopy1=E:\\Mirror\\\r\n");
  world.connected = true;
  EXPECT_EQ(run.Run(RunKind::kImmediate), RunEnd::kDone);
  const std::vector<std::string> expected = {
      "minimize",
      "server QEL D:\\Backup",
      "pack Shop_1200.7z " + kBak + " D:\\Backup " + sevenZip,
      "test " + archive + " D:\\Backup " + sevenZip,
      "copy E:\\Mirror\\Copy of Shop_1200.7z",
      "delete " + kBak,
      "balloon INFO",
      "close",
      "restore",
  };
  EXPECT_EQ(world.trace, expected);
  EXPECT_EQ(world.files.at("E:\\Mirror\\Copy of Shop_1200.7z"), world.files.at(archive));
  EXPECT_EQ(world.files.count(kArchive), 0u) << "no .rar name is used";

  world.trace.clear();
  world.packExit = 1u;
  world.connected = true;
  EXPECT_EQ(run.Run(RunKind::kImmediate), RunEnd::kDone);
  EXPECT_EQ(world.files.count(kBak), 1u) << "7-Zip's warning is a failure: the backup file stays";
  ASSERT_EQ(world.balloons.size(), 2u);
  EXPECT_EQ(world.balloons[1].text, "Bakup of database \"QEL\" is created, but the archive was not made.");
}

TEST_F(BackupRunTest, ImmediateRunHidesTheWindowLeavesTheAlarmAndShowsTheWindowAgain) {
  world.connected = true;  // an open connection is used as it is
  EXPECT_EQ(run.Run(RunKind::kImmediate), RunEnd::kDone);
  const std::vector<std::string> expected = {
      "minimize",
      "server QEL D:\\Backup",
      "pack Shop_1200.rar " + kBak + " D:\\Backup " + kRar,
      "test " + kArchive + " D:\\Backup " + kRar,
      "copy E:\\Mirror\\Copy of Shop_1200.rar",
      "delete " + kBak,
      "balloon INFO",
      "close",
      "restore",
  };
  EXPECT_EQ(world.trace, expected);
  EXPECT_EQ(world.alarmOffCount, 0);
}

TEST_F(BackupRunTest, TheBackupFileGoesOnlyWhenATestedArchiveHoldsIt) {
  struct Case {
    const char* what;
    std::optional<std::uint32_t> packExit;
    bool writesArchive;
    std::optional<std::uint32_t> testExit;
    bool archiverExists;
    bool deleted;
    const char* balloonText;
  };
  const Case cases[] = {
      {"all well", 0u, true, 0u, true, true, nullptr},
      {"shell fallback", std::nullopt, false, 0u, true, false, "the archive was not made."},
      {"shell fallback, archive appears", std::nullopt, true, 0u, true, false, "the archive was not made."},
      {"non-zero exit", 3u, false, 0u, true, false, "the archive was not made."},
      {"non-zero exit with an archive", 2u, true, 0u, true, false, "the archive was not made."},
      {"exit 0 without archive", 0u, false, 0u, true, false, "the archive was not made."},
      {"truncated archive", 0u, true, 2u, true, false, "the archive failed its test."},
      {"test could not start", 0u, true, std::nullopt, true, false, "the archive failed its test."},
      {"archiver path names no file", 0u, true, 0u, false, false, nullptr},
  };
  for (const Case& c : cases) {
    RunWorld w;
    w.settingsPath = world.settingsPath;
    w.connected = true;
    w.packExit = c.packExit;
    w.testExit = c.testExit;
    w.packWritesArchive = c.writesArchive;
    w.files[kRar] = "program";
    if (!c.archiverExists) {
      // A stand-in that makes the archive although the stored path names nothing.
      w.files.erase(kRar);
      w.files[kArchive] = "archive";
    }
    BackupRun r(w.Services());
    EXPECT_EQ(r.Run(RunKind::kScheduled), RunEnd::kDone) << c.what;
    EXPECT_EQ(w.files.count(kBak) == 0, c.deleted) << c.what;
    ASSERT_EQ(w.balloons.size(), 1u) << c.what;
    if (c.balloonText == nullptr) {
      EXPECT_EQ(w.balloons[0].title, "INFO") << c.what;
      EXPECT_EQ(w.balloons[0].text, kCreated) << c.what;
    } else {
      EXPECT_EQ(w.balloons[0].title, "Warning") << c.what;
      EXPECT_EQ(w.balloons[0].icon, BalloonIcon::kWarning) << c.what;
      EXPECT_EQ(w.balloons[0].text, std::string("Bakup of database \"QEL\" is created, but ") + c.balloonText)
          << c.what;
      EXPECT_EQ(r.LastRecord().outcome, RunOutcome::kWarning) << c.what;
    }
    const bool testRan = std::find_if(w.trace.begin(), w.trace.end(), [](const std::string& step) {
                           return step.rfind("test ", 0) == 0;
                         }) != w.trace.end();
    EXPECT_EQ(testRan, c.packExit == 0u && w.files.count(kArchive) != 0) << c.what;
    EXPECT_EQ(w.trace.back(), "close") << c.what;
  }
}

TEST_F(BackupRunTest, FailedCopiesAreCountedAndReported) {
  Settings("[BAK]\r\nRarProgram=" + kRar +
           "\r\n[copy]\r\nCOUNT=4\r\nCopy1=E:\\Mirror\\\r\nCOPY2=G:\\Missing\\\r\ncopy3=\r\nCopy4=F:\\Second\\\r\n");
  world.connected = true;
  EXPECT_EQ(run.Run(RunKind::kImmediate), RunEnd::kDone);
  ASSERT_EQ(world.balloons.size(), 1u);
  EXPECT_EQ(world.balloons[0].text, "Bakup of database \"QEL\" is created, but 1 of 3 copies failed.");
  EXPECT_EQ(run.LastRecord().copiesMade, 2);
  EXPECT_EQ(run.LastRecord().copiesListed, 3);
  EXPECT_EQ(world.files.count("F:\\Second\\Copy of Shop_1200.rar"), 1u);
  EXPECT_EQ(world.files.count(kBak), 0u) << "a failed copy does not keep the tested archive's backup file";
}

TEST_F(BackupRunTest, SettingsAreReadAtEveryRun) {
  world.connected = true;
  run.Run(RunKind::kImmediate);
  Settings("[bak]\r\nrarprogram=C:\\Other\\WinRAR.exe\r\n[COPY]\r\ncount=1\r\nCOPY1=E:\\Mirror\r\n");
  world.files["C:\\Other\\WinRAR.exe"] = "program";
  world.connected = true;
  world.trace.clear();
  run.Run(RunKind::kImmediate);
  EXPECT_EQ(world.trace[2], "pack Shop_1200.rar " + kBak + " D:\\Backup C:\\Other\\WinRAR.exe");
  EXPECT_EQ(world.trace[4], "copy E:\\MirrorCopy of Shop_1200.rar") << "no backslash is added to the entry";
}

TEST_F(BackupRunTest, ARunKeepsTheSettingsItStartedWithWhenTheFileChangesMeanwhile) {
  world.connected = true;
  world.onPack = [this] {
    Settings("[BAK]\r\nRarProgram=C:\\Other\\WinRAR.exe\r\n[copy]\r\ncount=1\r\ncopy1=F:\\Second\\\r\n");
  };
  run.Run(RunKind::kImmediate);
  EXPECT_EQ(world.trace[3], "test " + kArchive + " D:\\Backup " + kRar) << "the archiver it packed with tests";
  EXPECT_EQ(world.trace[4], "copy E:\\Mirror\\Copy of Shop_1200.rar") << "the copy list read at the start";
  EXPECT_EQ(world.records.back().copiesListed, 1);
  EXPECT_FALSE(world.files.count(kBak)) << "the archiver the run started with exists, so the backup file goes";
}

TEST_F(BackupRunTest, ACopyCountFarBeyondTheEntriesWalksOnlyTheStoredOnes) {
  Settings("[BAK]\r\nRarProgram=" + kRar + "\r\n[copy]\r\ncount=2147483647\r\ncopy1=E:\\Mirror\\\r\ncopy7=\r\n");
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kDone);
  EXPECT_EQ(std::count(world.trace.begin(), world.trace.end(), "messages"), 2);
  Settings("[BAK]\r\nRarProgram=" + kRar + "\r\n[copy]\r\ncount=-5\r\ncopy1=E:\\Mirror\\\r\n");
  world.trace.clear();
  world.now.minute = 30;
  run.Run(RunKind::kScheduled);
  EXPECT_EQ(std::count(world.trace.begin(), world.trace.end(), "messages"), 0) << "no passes, no messages";
  EXPECT_EQ(run.LastRecord().copiesListed, 0);
}

TEST_F(BackupRunTest, AScheduledRunThatFailsReportsClosesAndArmsTheNextTime) {
  world.createBakFile = []() -> std::string { throw std::runtime_error("Cannot open backup device 'D:\\Backup'."); };
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kFailed);
  const std::vector<std::string> expected = {"connect", "alarm off", "server QEL D:\\Backup", "arm next",
                                             "balloon Error", "close"};
  EXPECT_EQ(world.trace, expected);
  EXPECT_EQ(world.balloons[0].text, "Cannot open backup device 'D:\\Backup'.");
  EXPECT_EQ(world.balloons[0].icon, BalloonIcon::kError);
  EXPECT_EQ(world.balloons[0].seconds, 10);
  EXPECT_TRUE(world.alarmOn);
  EXPECT_EQ(run.LastRecord().outcome, RunOutcome::kError);
  EXPECT_FALSE(world.GateHeld());
}

TEST_F(BackupRunTest, WhenTheNextTimeCannotBeArmedTheAlarmGoesBackOn) {
  world.armError = "'x' is not a valid integer value";
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kFailed);
  EXPECT_EQ(std::count(world.trace.begin(), world.trace.end(), "arm next"), 1) << "not tried a second time";
  EXPECT_TRUE(world.alarmOn);
  ASSERT_EQ(world.balloons.size(), 1u) << "the error replaces the success balloon";
  EXPECT_EQ(world.balloons[0].text, "'x' is not a valid integer value");
  EXPECT_EQ(world.files.count(kBak), 1u) << "the error came before the deletion";
  EXPECT_EQ(world.trace.back(), "close");

  // A failure before the arming that also makes arming fail.
  RunWorld w;
  w.settingsPath = world.settingsPath;
  w.connectError = "I/O error 32";
  w.armError = "bad time";
  BackupRun r(w.Services());
  EXPECT_EQ(r.Run(RunKind::kScheduled), RunEnd::kFailed);
  EXPECT_EQ(w.balloons.at(0).text, "I/O error 32");
  EXPECT_TRUE(w.alarmOn);
}

TEST_F(BackupRunTest, AnImmediateRunThatFailsShowsTheWindowAndRaisesForTheErrorBox) {
  world.connected = true;
  world.createBakFile = []() -> std::string { throw std::runtime_error("CommandText does not return a result set"); };
  try {
    run.Run(RunKind::kImmediate);
    ADD_FAILURE() << "nothing raised";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "CommandText does not return a result set");
  }
  const std::vector<std::string> expected = {"minimize", "server QEL D:\\Backup", "close", "restore"};
  EXPECT_EQ(world.trace, expected);
  EXPECT_TRUE(world.balloons.empty());
  ASSERT_EQ(world.records.size(), 1u);
  EXPECT_EQ(world.records[0].outcomeText, "CommandText does not return a result set");
  EXPECT_FALSE(world.GateHeld());
}

TEST_F(BackupRunTest, AServerNameWithAFolderPartIsAnErrorAndTouchesNoFile) {
  for (const char* name : {"..\\..\\Windows\\win.bak", "C:evil.bak", "", "sub/x.bak"}) {
    RunWorld w;
    w.settingsPath = world.settingsPath;
    w.files[kRar] = "program";
    w.createBakFile = [name] { return std::string(name); };
    BackupRun r(w.Services());
    EXPECT_EQ(r.Run(RunKind::kScheduled), RunEnd::kFailed) << name;
    for (const std::string& step : w.trace) {
      EXPECT_NE(step.rfind("pack", 0), 0u) << name;
      EXPECT_NE(step.rfind("delete", 0), 0u) << name;
    }
    EXPECT_EQ(w.balloons.at(0).title, "Error") << name;
  }
}

TEST_F(BackupRunTest, NoConnectionEndsTheRunWithoutAMessage) {
  world.connectOpens = false;
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kNotConnected);
  EXPECT_EQ(world.trace, std::vector<std::string>{"connect"});
  EXPECT_TRUE(world.balloons.empty());
  EXPECT_TRUE(world.alarmOn);
  EXPECT_EQ(world.records.size(), 1u);
  EXPECT_FALSE(world.GateHeld());
}

TEST_F(BackupRunTest, ARunIsRefusedWhileAnotherOrAConnectionRoutineIsInProgress) {
  // A click on "[bak]" handled while the scheduled run processes messages.
  std::vector<RunEnd> nested;
  world.onProcessMessages = [&] { nested.push_back(run.Run(RunKind::kImmediate)); };
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kDone);
  EXPECT_EQ(nested, (std::vector<RunEnd>{RunEnd::kRefused, RunEnd::kRefused}));
  EXPECT_EQ(world.balloons.size(), 1u) << "refused without a message";
  EXPECT_EQ(std::count(world.trace.begin(), world.trace.end(), "minimize"), 0);

  // An alarm while a dialog of the connection routine waits.
  world.trace.clear();
  world.busyOutside = true;
  world.now.hour = 3;
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kRefused);
  EXPECT_TRUE(world.trace.empty());
  ASSERT_FALSE(world.records.empty());
  EXPECT_EQ(world.records.back().outcome, RunOutcome::kError) << "the missed backup is in the history";
  world.busyOutside = false;
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kDone) << "the refusal took no lock with it";
}

TEST_F(BackupRunTest, AScheduledBackupNeverRepeatsWithinItsMinute) {
  world.now = {2026, 12, 9, 0, 0, 2, 0};
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kDone);
  world.now.second = 40;  // the alarm of 00:00, re-armed within 00:00, fires again
  world.monotonic += 38000;
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kRepeatRefused);
  EXPECT_EQ(run.Run(RunKind::kImmediate), RunEnd::kDone) << "the operator may still ask for one";
  world.now.minute = 1;  // the next minute is another backup
  world.monotonic += 21000;
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kDone);
  world.now = {2026, 12, 10, 0, 1, 10, 0};  // the same minute the next day
  world.monotonic += 86400000;
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kDone);
  // A wall clock set back an hour shows the same minute again, but a new backup is due.
  world.monotonic += 3600000;
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kDone);
  EXPECT_EQ(world.records.size(), 5u) << "a refused repeat writes no history";
}

TEST_F(BackupRunTest, TheRecordHoldsThePhaseTimesAndResults) {
  Settings("[BAK]\r\nRarProgram=" + kRar + "\r\n[copy]\r\ncount=2\r\ncopy1=E:\\Mirror\\\r\ncopy2=F:\\Second\\\r\n");
  EXPECT_EQ(run.Run(RunKind::kScheduled), RunEnd::kDone);
  ASSERT_EQ(world.records.size(), 1u);
  const backup::RunRecord& r = world.records[0];
  EXPECT_EQ(r.kind, RunKind::kScheduled);
  EXPECT_EQ(r.start.second, 5);
  EXPECT_EQ(r.backupFileName, "Shop_1200.bak");
  EXPECT_EQ(r.archiverExitCode, 0u);
  EXPECT_EQ(r.testExitCode, 0u);
  EXPECT_EQ(r.archiveBytes, std::string("archive of backup of QEL").size());
  EXPECT_EQ(r.copiesMade, 2);
  EXPECT_EQ(r.copiesListed, 2);
  EXPECT_EQ(r.outcome, RunOutcome::kOk);
  EXPECT_EQ(r.connectMs, 70);
  EXPECT_EQ(r.serverMs, 1200);
  EXPECT_EQ(r.archiverMs, 3400);
  EXPECT_EQ(r.copiesMs, 100);
  EXPECT_EQ(r.deleteMs, 9);
  EXPECT_EQ(r.totalMs, 4779) << "nothing but the phases took time";
}

TEST(BalloonTexts, AreCutToTheBalloonsLength) {
  const std::string longName(300, 'n');
  EXPECT_EQ(backup::CreatedText(longName).size(), 255u);
  const std::string but = backup::CreatedButText(std::string(220, 'd'), "the archive failed its test.");
  EXPECT_EQ(but.size(), 255u);
  EXPECT_EQ(but.substr(0, 19), "Bakup of database \"");
  EXPECT_EQ(backup::CreatedButText("Shop", "2 of 3 copies failed."),
            "Bakup of database \"Shop\" is created, but 2 of 3 copies failed.");
}

TEST(BackupNames, AreFormedByPlainConcatenation) {
  const auto names = backup::FormBackupNames("D:\\Backup", "Shop_1200.bak");
  EXPECT_EQ(names.backupFilePath, kBak);
  EXPECT_EQ(names.archiveName, "Shop_1200.rar");
  EXPECT_EQ(names.archivePath, kArchive);
  EXPECT_EQ(backup::CopyTarget("E:\\Mirror\\", "Shop_1200.rar"), "E:\\Mirror\\Copy of Shop_1200.rar");
  EXPECT_EQ(backup::CopyTarget("E:\\Mirror", "Shop_1200.rar"), "E:\\MirrorCopy of Shop_1200.rar");
  const std::pair<const char*, const char*> archiveNames[] = {
      {"Shop.bk", "Sho.rar"}, {"a.bak", "a.rar"}, {".bak", ".rar"}, {"abc", ".rar"}, {"x.tar.gz", "x.ta.rar"}};
  for (const auto& [file, archive] : archiveNames) {
    EXPECT_EQ(backup::FormBackupNames("D:", file).archiveName, archive) << file;
  }
  EXPECT_EQ(backup::FormBackupNames("D:\\Backup\\", "x.bak").backupFilePath, "D:\\Backup\\\\x.bak")
      << "a stored trailing backslash is kept as stored";
  EXPECT_TRUE(backup::IsBareFileName("QEL_20261209_020000.bak"));
  EXPECT_TRUE(backup::IsBareFileName("Shop 1200..bak"));
  for (const char* bad : {"", ".", "..", "a\\b.bak", "a/b.bak", "C:x.bak", "tab\tname.bak"}) {
    EXPECT_FALSE(backup::IsBareFileName(bad)) << bad;
  }
}

}  // namespace
