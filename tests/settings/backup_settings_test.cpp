#include "settings/backup_settings.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

using settings::BackupSettings;
using settings::IniFile;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

struct BakInfoFixture : ::testing::Test {
  TempDir dir;
  IniFile ini{dir.File("Bak_Info.ini")};
};

TEST_F(BakInfoFixture, SavingWritesTheKeysInTheirOrder) {
  BackupSettings values;
  values.times = {"08:00", "20:30"};
  values.bakDir = "D:\\SqlBackup\\";
  values.rarProgram = "C:\\Program Files\\WinRAR\\WinRAR.exe";
  values.copyDirs = {"E:\\Mirror\\", "F:\\Archive\\Sql\\"};
  settings::SaveBackupSettings(ini, values);
  EXPECT_EQ(ReadBytes(ini.FileName()),
            "[BAK]\r\nTimeCount=2\r\nTime_1=08:00\r\nTime_2=20:30\r\nBakDir=D:\\SqlBackup\r\n"
            "RarProgram=C:\\Program Files\\WinRAR\\WinRAR.exe\r\nKeepDays=0\r\nKeepCount=3\r\nMakeUp=1\r\n"
            "[copy]\r\ncount=2\r\nCopy1=E:\\Mirror\\\r\nCopy2=F:\\Archive\\Sql\\\r\n");
  const BackupSettings loaded = settings::LoadBackupSettings(ini);
  EXPECT_EQ(loaded.times, values.times);
  EXPECT_EQ(loaded.bakDir, "D:\\SqlBackup\\") << "the dialog shows the directory with a backslash";
  EXPECT_EQ(loaded.rarProgram, values.rarProgram);
  EXPECT_EQ(loaded.copyDirs, values.copyDirs);
}

TEST_F(BakInfoFixture, NoFileGivesEveryReaderItsDefault) {
  const BackupSettings loaded = settings::LoadBackupSettings(ini);
  EXPECT_TRUE(loaded.times.empty());
  EXPECT_TRUE(loaded.copyDirs.empty());
  EXPECT_EQ(loaded.bakDir, "");
  EXPECT_EQ(loaded.rarProgram, "");
  EXPECT_EQ(loaded.copyTo, "");
  EXPECT_EQ(settings::ReadTimeCount(ini), 0);
  EXPECT_EQ(settings::ReadBakDir(ini, "C:\\dw"), "C:\\dw\\BakDir");
  EXPECT_EQ(settings::ReadTimeEntry(ini, 1), "00:00");
  EXPECT_EQ(settings::ReadRarProgram(ini), "");
  EXPECT_TRUE(settings::ReadCopyDirs(ini).empty());
}

TEST_F(BakInfoFixture, EmptyListsAreSavedAsZeroCounts) {
  settings::SaveBackupSettings(ini, BackupSettings{});
  EXPECT_EQ(ReadBytes(ini.FileName()), "[BAK]\r\nTimeCount=0\r\nBakDir=\r\nRarProgram=\r\nKeepDays=0\r\nKeepCount=3\r\nMakeUp=1\r\n[copy]\r\ncount=0\r\n");
  EXPECT_EQ(settings::ReadBakDir(ini, "C:\\dw"), "") << "a present but empty BakDir is used as it is";
}

TEST_F(BakInfoFixture, ShrinkingListsDropOldTimesButKeepOldCopyKeys) {
  BackupSettings values;
  values.times = {"01:00", "02:00", "03:00"};
  values.copyDirs = {"A:\\", "B:\\", "C:\\"};
  settings::SaveBackupSettings(ini, values);
  values.times = {"04:00"};
  values.copyDirs = {"D:\\"};
  settings::SaveBackupSettings(ini, values);
  EXPECT_FALSE(ini.ValueExists("BAK", "Time_2"));
  EXPECT_FALSE(ini.ValueExists("BAK", "Time_3"));
  EXPECT_TRUE(ini.ValueExists("copy", "Copy2")) << "[copy] is not erased before writing";
  EXPECT_TRUE(ini.ValueExists("copy", "Copy3"));
  EXPECT_EQ(settings::ReadCopyDirs(ini), std::vector<std::string>{"D:\\"});
  EXPECT_EQ(settings::LoadBackupSettings(ini).copyDirs, std::vector<std::string>{"D:\\"});
}

TEST_F(BakInfoFixture, HandEditedFilesAreReadTheWayEachReaderDefines) {
  WriteBytes(ini.FileName(),
             "[bak]\r\ntimecount=3\r\ntime_1=08:00\r\nTIME_3=18:00\r\nCopyTo=G:\\Start\r\n"
             "[COPY]\r\nCOUNT=3\r\nCOPY1=E:\\Mirror\r\ncopy2=\r\ncopy3=F:\\x\\\r\n");
  const BackupSettings loaded = settings::LoadBackupSettings(ini);
  EXPECT_EQ(loaded.times, (std::vector<std::string>{"08:00", "18:00"})) << "the dialog skips missing entries";
  EXPECT_EQ(settings::ReadTimeEntry(ini, 2), "00:00") << "the schedule takes midnight for them";
  EXPECT_EQ(loaded.copyTo, "G:\\Start");
  EXPECT_EQ(loaded.copyDirs, (std::vector<std::string>{"E:\\Mirror\\", "F:\\x\\"}));
  EXPECT_EQ(settings::ReadCopyDirs(ini), (std::vector<std::string>{"E:\\Mirror", "F:\\x\\"}))
      << "the backup run uses entries as they are and skips empty ones";

  settings::SaveBackupSettings(ini, loaded);
  EXPECT_FALSE(ini.ValueExists("BAK", "CopyTo")) << "CopyTo disappears with the next save";
}

TEST_F(BakInfoFixture, ZeroNegativeAndHugeCounts) {
  WriteBytes(ini.FileName(), "[BAK]\r\nTimeCount=0\r\nTime_1=08:00\r\n[copy]\r\ncount=-3\r\ncopy1=E:\\\r\n");
  EXPECT_TRUE(settings::LoadBackupSettings(ini).times.empty());
  EXPECT_TRUE(settings::ReadCopyDirs(ini).empty());

  WriteBytes(ini.FileName(), "[BAK]\r\nTimeCount=2147483647\r\nTime_1=08:00\r\n[copy]\r\ncount=0x7FFFFFFF\r\n"
                             "copy1=E:\\\r\ncopy2147483647=Z:\\\r\n");
  EXPECT_EQ(settings::LoadBackupSettings(ini).times, std::vector<std::string>{"08:00"});
  EXPECT_EQ(settings::ReadCopyDirs(ini), (std::vector<std::string>{"E:\\", "Z:\\"}));
}

TEST(BakInfoRefused, MissingFolderFailsEverySaveAndCreatesNoFile) {
  TempDir dir;
  IniFile ini(dir.Path() + "\\Bak_Info\\Bak_Info.ini");
  BackupSettings values;
  values.times = {"08:00"};
  try {
    settings::SaveBackupSettings(ini, values);
    FAIL() << "save succeeded without its folder";
  } catch (const settings::IniWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini.FileName());
  }
  EXPECT_TRUE(testing_support::ListDir(dir.Path()).empty());
}

}  // namespace
