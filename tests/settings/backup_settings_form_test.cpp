#include "settings/backup_settings_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "settings/backup_settings.h"
#include "settings/list_text.h"
#include "support/temp_dir.h"

namespace {

using settings::BackupSettingsForm;
using settings::IniFile;
using settings::Notice;
using settings::NoticeIcon;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using Texts = std::vector<std::string>;

// Records every box and answers the questions from a script (a question without an answer fails).
struct ScriptedPrompts : settings::FormPrompts {
  void Tell(const Notice& notice) override { shown.push_back(notice); }
  bool Ask(const Notice& notice) override {
    shown.push_back(notice);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question " << notice.text;
      return false;
    }
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  std::vector<Notice> shown;
  std::deque<bool> answers;
};

const Notice kTimeExists{"This time already exist.", "Error", NoticeIcon::Stop};
const Notice kInvalidTime{"Invalid time.", "Error", NoticeIcon::Stop};
const Notice kPathExists{"Данный путь уже есть!", "Уведомление", NoticeIcon::Information};
const Notice kDeleteTimes{"Вы действительно хотите удалить выделенное время?", "Уведомление", NoticeIcon::Question};
const Notice kDeletePaths{"Вы действительно хотите удалить выделенные пути?", "Уведомление", NoticeIcon::Question};

struct FormFixture : ::testing::Test {
  void AddTime(const char* text) {
    form.timeField.SetText(text);
    form.AddTime();
  }
  void PickAndAddCopyDir(const std::string& folder) {
    form.copyDir.Picked(folder, true);
    form.AddCopyDir();
  }

  TempDir dir;
  IniFile ini{dir.File("Bak_Info.ini")};
  ScriptedPrompts prompts;
  BackupSettingsForm form{prompts};
};

TEST_F(FormFixture, NoFileOpensEmptyAndSavesZeroCounts) {
  form.Load(ini);
  EXPECT_TRUE(form.Times().empty());
  EXPECT_TRUE(form.CopyDirs().empty());
  EXPECT_EQ(form.backupDir.text, "");
  EXPECT_EQ(form.copyDir.text, "");
  EXPECT_EQ(form.rarProgram, "");
  EXPECT_EQ(form.timeField.Text(), "00:00");
  form.Save(ini);
  EXPECT_EQ(ReadBytes(ini.FileName()), "[BAK]\r\nTimeCount=0\r\nBakDir=\r\nRarProgram=\r\nKeepDays=0\r\nKeepCount=3\r\nMakeUp=1\r\n[copy]\r\ncount=0\r\n");
}

TEST_F(FormFixture, LoadsHandEditedFilesOfEveryShape) {
  struct Case {
    const char* file;
    Texts times;
    const char* bakDir;
    Texts copyDirs;
    const char* copyField;
  };
  const Case cases[] = {
      // TimeCount 3 with Time_2 missing: two times, sorted in, duplicates kept.
      {"[BAK]\r\nTimeCount=3\r\nTime_1=20:30\r\nTime_3=08:00\r\n", {"08:00", "20:30"}, "", {}, ""},
      {"[BAK]\r\nTimeCount=3\r\nTime_1=20:30\r\nTime_2=08:00\r\nTime_3=08:00\r\n", {"08:00", "08:00", "20:30"}, "", {}, ""},
      // TimeCount 0, negative, missing or not a number: no times.
      {"[BAK]\r\nTimeCount=0\r\nTime_1=08:00\r\n", {}, "", {}, ""},
      {"[BAK]\r\nTimeCount=-2\r\nTime_1=08:00\r\n", {}, "", {}, ""},
      {"[BAK]\r\nTime_1=08:00\r\n", {}, "", {}, ""},
      {"[BAK]\r\nTimeCount=two\r\nTime_1=08:00\r\n", {}, "", {}, ""},
      // Other letter case of sections and keys.
      {"[bak]\r\ntimecount=1\r\nTIME_1=07:15\r\nbakdir=D:\\SqlBackup\r\n[COPY]\r\nCOUNT=1\r\nCOPY1=E:\\Mirror\\\r\n",
       {"07:15"}, "D:\\SqlBackup\\", {"E:\\Mirror\\"}, "E:\\Mirror\\"},
      // CopyTo shows only while the copy list is empty.
      {"[BAK]\r\nCopyTo=G:\\Start\r\n[copy]\r\ncount=0\r\n", {}, "", {}, "G:\\Start"},
      {"[BAK]\r\nCopyTo=G:\\Start\r\n[copy]\r\ncount=2\r\ncopy1=E:\\a\r\ncopy2=F:\\b\\\r\n", {}, "", {"E:\\a\\", "F:\\b\\"},
       "F:\\b\\"},
      // Copy paths without a backslash get one; empty and missing entries are not listed.
      {"[copy]\r\ncount=4\r\ncopy1=E:\\Mirror\r\ncopy2=\r\ncopy4=F:\\x\r\n", {}, "", {"E:\\Mirror\\", "F:\\x\\"}, "F:\\x\\"},
      // A BakDir that already ends with a backslash is shown as it is; a root keeps its one backslash.
      {"[BAK]\r\nBakDir=D:\\SqlBackup\\\r\n", {}, "D:\\SqlBackup\\", {}, ""},
      {"[BAK]\r\nBakDir=D:\r\n", {}, "D:\\", {}, ""},
  };
  for (const Case& c : cases) {
    WriteBytes(ini.FileName(), c.file);
    BackupSettingsForm opened(prompts);  // a fresh dialog for each opening
    opened.Load(ini);
    EXPECT_EQ(opened.Times(), c.times) << c.file;
    EXPECT_EQ(opened.backupDir.text, c.bakDir) << c.file;
    EXPECT_EQ(opened.CopyDirs(), c.copyDirs) << c.file;
    EXPECT_EQ(opened.copyDir.text, c.copyField) << c.file;
    EXPECT_EQ(opened.copyDir.initialDir, "") << "InitialDir starts empty";
    EXPECT_EQ(opened.timeField.Text(), "00:00");
  }
  EXPECT_TRUE(prompts.shown.empty()) << "loading never shows a box";
}

TEST_F(FormFixture, TheExampleFileIsWrittenWithItsKeysInTheirOrder) {
  form.Load(ini);
  AddTime("20:30");
  AddTime("08:00");
  EXPECT_EQ(form.Times(), (Texts{"08:00", "20:30"}));
  form.backupDir.Picked("D:\\SqlBackup", true);
  form.rarProgram = "C:\\Program Files\\WinRAR\\WinRAR.exe";
  PickAndAddCopyDir("E:\\Mirror");
  PickAndAddCopyDir("F:\\Archive\\Sql");
  form.Save(ini);
  EXPECT_EQ(ReadBytes(ini.FileName()),
            "[BAK]\r\nTimeCount=2\r\nTime_1=08:00\r\nTime_2=20:30\r\nBakDir=D:\\SqlBackup\r\n"
            "RarProgram=C:\\Program Files\\WinRAR\\WinRAR.exe\r\nKeepDays=0\r\nKeepCount=3\r\nMakeUp=1\r\n"
            "[copy]\r\ncount=2\r\nCopy1=E:\\Mirror\\\r\nCopy2=F:\\Archive\\Sql\\\r\n");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(FormFixture, TrailingBackslashesRoundTrip) {
  WriteBytes(ini.FileName(), "[BAK]\r\nBakDir=D:\\SqlBackup\r\n[copy]\r\ncount=1\r\ncopy1=E:\\NoSlash\r\n");
  form.Load(ini);
  EXPECT_EQ(form.backupDir.text, "D:\\SqlBackup\\");
  form.Save(ini);
  EXPECT_EQ(ini.ReadString("BAK", "BakDir", "?"), "D:\\SqlBackup") << "one backslash removed on saving";
  EXPECT_EQ(ini.ReadString("copy", "Copy1", "?"), "E:\\NoSlash\\");

  form.backupDir.text = "D:\\Two\\\\";
  form.Save(ini);
  EXPECT_EQ(ini.ReadString("BAK", "BakDir", "?"), "D:\\Two\\") << "only one is removed";
}

TEST_F(FormFixture, SavingKeepsForeignSectionsAndLeftoverCopyKeys) {
  WriteBytes(ini.FileName(), "[BAK]\r\nTimeCount=3\r\nTime_1=01:00\r\nTime_2=02:00\r\nTime_3=03:00\r\nCopyTo=X:\\\r\n"
                             "[copy]\r\ncount=3\r\ncopy1=A:\\\r\ncopy2=B:\\\r\ncopy3=C:\\\r\n[Other]\r\nKeep=1\r\n");
  form.Load(ini);
  prompts.answers = {true, true};
  form.DeleteTimes({1, 2});
  form.DeleteCopyDirs({0, 1});
  form.Save(ini);
  EXPECT_EQ(ReadBytes(ini.FileName()),
            "[copy]\r\ncount=1\r\ncopy1=C:\\\r\ncopy2=B:\\\r\ncopy3=C:\\\r\n"
            "[Other]\r\nKeep=1\r\n[BAK]\r\nTimeCount=1\r\nTime_1=01:00\r\nBakDir=\r\nRarProgram=\r\nKeepDays=0\r\nKeepCount=3\r\nMakeUp=1\r\n")
      << ReadBytes(ini.FileName());
}

TEST_F(FormFixture, AddingATimeChecksItAndAlwaysBlanksTheField) {
  form.Load(ini);
  AddTime("08:00");
  EXPECT_EQ(form.timeField.Shown(), "__:__");
  AddTime("08:00");
  AddTime("25:00");
  AddTime("12:60");
  AddTime("1 :30");
  AddTime("");
  EXPECT_EQ(prompts.shown, (std::vector<Notice>{kTimeExists, kInvalidTime, kInvalidTime, kInvalidTime, kInvalidTime}));
  EXPECT_EQ(form.Times(), Texts{"08:00"});
  EXPECT_EQ(form.timeField.Shown(), "__:__");

  form.timeField.SetText("00:00");
  EXPECT_EQ(form.AddTime(), std::optional<std::size_t>(0)) << "00:00 is a valid time and sorts first";
  form.timeField.SetText("23:59");
  EXPECT_EQ(form.AddTime(), std::optional<std::size_t>(2));
  form.timeField.SetText("12:00");
  EXPECT_EQ(form.AddTime(), std::optional<std::size_t>(2));
  EXPECT_EQ(form.Times(), (Texts{"00:00", "08:00", "12:00", "23:59"}));
}

TEST_F(FormFixture, DuplicateTimeFromTheFileIsRefusedToo) {
  WriteBytes(ini.FileName(), "[BAK]\r\nTimeCount=1\r\nTime_1=08:00\r\n");
  form.Load(ini);
  AddTime("08:00");
  EXPECT_EQ(prompts.shown, std::vector<Notice>{kTimeExists});
  EXPECT_EQ(form.Times(), Texts{"08:00"});
}

TEST_F(FormFixture, AtMost255Times) {
  form.Load(ini);
  for (int i = 0; i < 255; ++i) {
    char text[6];
    std::snprintf(text, sizeof text, "%02d:%02d", i / 60, i % 60);
    AddTime(text);
  }
  ASSERT_EQ(form.Times().size(), 255u);
  ASSERT_TRUE(prompts.shown.empty());
  AddTime("23:00");
  EXPECT_EQ(prompts.shown, (std::vector<Notice>{{"At most 255 backup times.", "Error", NoticeIcon::Stop}}));
  EXPECT_EQ(form.Times().size(), 255u);
  EXPECT_EQ(form.timeField.Shown(), "__:__");
  AddTime("00:00");
  EXPECT_EQ(prompts.shown.back(), kTimeExists) << "a duplicate is still called a duplicate";

  prompts.answers = {true};
  form.DeleteTimes({254});
  AddTime("23:00");
  EXPECT_EQ(form.Times().size(), 255u);
  EXPECT_EQ(form.Times().back(), "23:00");
}

TEST_F(FormFixture, DeletingAsksAlwaysAndRemovesOnlyOnYes) {
  WriteBytes(ini.FileName(), "[BAK]\r\nTimeCount=4\r\nTime_1=01:00\r\nTime_2=02:00\r\nTime_3=03:00\r\nTime_4=04:00\r\n"
                             "[copy]\r\ncount=3\r\ncopy1=A:\\\r\ncopy2=B:\\\r\ncopy3=C:\\\r\n");
  form.Load(ini);
  prompts.answers = {false, true, true, true, true};
  EXPECT_FALSE(form.DeleteTimes({0, 1}));
  EXPECT_EQ(form.Times().size(), 4u) << "No keeps everything";
  EXPECT_TRUE(form.DeleteTimes({}));
  EXPECT_EQ(form.Times().size(), 4u) << "nothing selected: asked, nothing removed";
  EXPECT_TRUE(form.DeleteTimes({3, 0, 3, 9}));
  EXPECT_EQ(form.Times(), (Texts{"02:00", "03:00"})) << "repeated and stale positions are harmless";
  EXPECT_TRUE(form.DeleteCopyDirs({0, 2}));
  EXPECT_EQ(form.CopyDirs(), Texts{"B:\\"});
  EXPECT_TRUE(form.DeleteCopyDirs({0}));
  EXPECT_TRUE(form.CopyDirs().empty());
  EXPECT_EQ(prompts.shown, (std::vector<Notice>{kDeleteTimes, kDeleteTimes, kDeleteTimes, kDeletePaths, kDeletePaths}));
}

TEST_F(FormFixture, CopyDirectoriesComeFromTheLastPickedFolder) {
  WriteBytes(ini.FileName(), "[copy]\r\ncount=1\r\ncopy1=E:\\Mirror\\\r\n");
  form.Load(ini);
  EXPECT_EQ(form.AddCopyDir(), std::nullopt) << "the field's loaded text is not a pick";
  EXPECT_EQ(form.CopyDirs().size(), 1u);

  form.copyDir.Picked("D:\\Copies", true);
  EXPECT_EQ(form.AddCopyDir(), std::optional<std::size_t>(1));
  EXPECT_EQ(form.copyDir.initialDir, "D:\\Copies\\") << "the backslash goes to InitialDir itself";
  EXPECT_EQ(form.AddCopyDir(), std::nullopt);
  form.copyDir.Picked("d:\\COPIES\\", true);
  EXPECT_EQ(form.AddCopyDir(), std::nullopt);
  form.copyDir.Picked("e:\\mirror", true);
  EXPECT_EQ(form.AddCopyDir(), std::nullopt);
  EXPECT_EQ(prompts.shown, (std::vector<Notice>{kPathExists, kPathExists, kPathExists}));

  form.copyDir.Picked("F:\\Gone", false);
  EXPECT_EQ(form.copyDir.text, "F:\\Gone");
  EXPECT_EQ(form.copyDir.initialDir, "e:\\mirror\\") << "a folder that does not exist is not remembered";
  EXPECT_EQ(form.CopyDirs(), (Texts{"E:\\Mirror\\", "D:\\Copies\\"}));
  form.copyDir.Picked("G:\\", true);
  EXPECT_EQ(form.AddCopyDir(), std::optional<std::size_t>(2)) << "appended, not sorted";
  EXPECT_EQ(form.CopyDirs().back(), "G:\\");
}

TEST_F(FormFixture, DirectoryFieldsStartTheirChooserWhereTheyShould) {
  std::vector<std::string> existing = {"D:\\Data", "C:\\Last"};
  const auto exists = [&](const std::string& d) {
    return std::find(existing.begin(), existing.end(), d) != existing.end();
  };
  settings::DirectoryField field;
  EXPECT_EQ(field.BrowseStart(exists), "\\");
  field.initialDir = "C:\\Last";
  EXPECT_EQ(field.BrowseStart(exists), "C:\\Last");
  field.text = "D:\\Data";
  EXPECT_EQ(field.BrowseStart(exists), "D:\\Data") << "the text comes first";
  field.text = "Q:\\Missing";
  EXPECT_EQ(field.BrowseStart(exists), "\\") << "a start folder that does not exist gives the root";
  field.Clicked();
  EXPECT_EQ(field.initialDir, "Q:\\Missing") << "a click makes the text the InitialDir";
  field.text.clear();
  field.Clicked();
  EXPECT_EQ(field.initialDir, "Q:\\Missing") << "an empty text does not";
}

TEST_F(FormFixture, ArchiverChooserStartFolder) {
  form.Load(ini);
  EXPECT_EQ(form.RarStartFolder(), "C:\\Program Files\\Winrar");
  form.rarProgram = "C:\\Program Files\\WinRAR\\WinRAR.exe";
  EXPECT_EQ(form.RarStartFolder(), "C:\\Program Files\\WinRAR");
  form.rarProgram = "C:\\WinRAR.exe";
  EXPECT_EQ(form.RarStartFolder(), "C:\\");
  form.rarProgram = "rar.exe";
  EXPECT_EQ(form.RarStartFolder(), "");
  EXPECT_EQ(settings::FolderOf("\\\\server\\share\\rar.exe"), "\\\\server\\share");
}

TEST_F(FormFixture, RefusedSaveLeavesTheFileWhole) {
  const std::string before = "[BAK]\r\nTimeCount=1\r\nTime_1=08:00\r\nBakDir=D:\\Old\r\n[copy]\r\ncount=0\r\n";
  WriteBytes(ini.FileName(), before);
  form.Load(ini);
  AddTime("09:00");
  testing_support::SetReadOnly(ini.FileName(), true);
  try {
    form.Save(ini);
    ADD_FAILURE() << "a read-only file was written";
  } catch (const settings::IniWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini.FileName());
  }
  testing_support::SetReadOnly(ini.FileName(), false);
  EXPECT_EQ(ReadBytes(ini.FileName()), before);
  EXPECT_EQ(form.Times(), (Texts{"08:00", "09:00"})) << "the dialog keeps its contents";
  form.Save(ini);
  EXPECT_EQ(ini.ReadString("BAK", "Time_2", ""), "09:00") << "and can try again";
}

TEST(ListText, LettersCompareWithoutRegardToCase) {
  EXPECT_TRUE(settings::SameTextIgnoringCase("D:\\Copies\\", "d:\\COPIES\\"));
  EXPECT_FALSE(settings::SameTextIgnoringCase("D:\\Copies", "D:\\Copies\\"));
  EXPECT_FALSE(settings::SameTextIgnoringCase("D:\\a", "D:\\b"));
  // Windows-1252 (the code page of the native build): É/é, Š/š, Œ/œ, Ž/ž, Ÿ/ÿ; × and ÷ are no letters.
  EXPECT_TRUE(settings::SameTextIgnoringCase("\xC9t\xC9", "\xE9T\xE9"));
  EXPECT_TRUE(settings::SameTextIgnoringCase("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"));
  EXPECT_FALSE(settings::SameTextIgnoringCase("\xD7", "\xF7"));
  EXPECT_LT(settings::CompareTextIgnoringCase("apple", "Banana"), 0);
  EXPECT_GT(settings::CompareTextIgnoringCase("b", "A"), 0);
  EXPECT_LT(settings::CompareTextIgnoringCase("08:00", "20:30"), 0);
}

// How long old archives are kept: shown as read (defaults when missing), written with the other keys,
// and an entry that is not a whole number in range refused with a box before anything is written.
TEST_F(FormFixture, KeepFieldsAreCheckedOnSaving) {
  WriteBytes(ini.FileName(), "[BAK]\r\nTimeCount=0\r\nKeepDays=14\r\nKeepCount=0\r\n");
  form.Load(ini);
  EXPECT_EQ(form.keepDaysText, "14");
  EXPECT_EQ(form.keepCountText, "1") << "a hand-written 0 reads as the least there is";

  const Notice badDays{settings::kInvalidKeepDaysText, "Error", NoticeIcon::Stop};
  const Notice badCount{settings::kInvalidKeepCountText, "Error", NoticeIcon::Stop};
  struct Case {
    const char* days;
    const char* count;
    bool saved;
  };
  const Case cases[] = {
      {"0", "1", true},         {"3650", "1000", true}, {" 7 ", "3", true},  {"3651", "3", false},
      {"-1", "3", false},       {"", "3", false},       {"1.5", "3", false}, {"7", "0", false},
      {"7", "1001", false},     {"7", "", false},       {"7", "x", false},   {"99999999999999999999", "3", false},
      {"0x10", "3", false},     {"7", "+3", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.days) + "/" + c.count);
    WriteBytes(ini.FileName(), "[BAK]\r\nKeepDays=14\r\n");
    prompts.shown.clear();
    form.keepDaysText = c.days;
    form.keepCountText = c.count;
    EXPECT_EQ(form.Save(ini), c.saved);
    if (c.saved) {
      EXPECT_TRUE(prompts.shown.empty());
      EXPECT_EQ(settings::ReadKeepDays(ini), *settings::WholeNumberIn(c.days, 0, 3650));
      EXPECT_EQ(settings::ReadKeepCount(ini), *settings::WholeNumberIn(c.count, 1, 1000));
    } else {
      ASSERT_EQ(prompts.shown.size(), 1u);
      const bool daysBad = !settings::WholeNumberIn(c.days, 0, 3650);
      EXPECT_EQ(prompts.shown[0], daysBad ? badDays : badCount);
      EXPECT_EQ(ReadBytes(ini.FileName()), "[BAK]\r\nKeepDays=14\r\n") << "nothing written";
    }
  }
}

TEST(BackupRunKeepSettings, MissingOrOddValuesKeepEverythingAndAtLeastOneNewest) {
  TempDir dir;
  IniFile ini(dir.File("Bak_Info.ini"));
  EXPECT_EQ(settings::ReadKeepDays(ini), 0) << "no file";
  EXPECT_EQ(settings::ReadKeepCount(ini), 3);
  const std::pair<const char*, std::pair<int, int>> files[] = {
      {"[BAK]\r\nKeepDays=\r\nKeepCount=\r\n", {0, 3}},
      {"[BAK]\r\nKeepDays=two\r\nKeepCount=many\r\n", {0, 3}},
      {"[BAK]\r\nKeepDays=-5\r\nKeepCount=-5\r\n", {0, 1}},
      {"[bak]\r\nkeepdays=7\r\nKEEPCOUNT=2\r\n", {7, 2}},
      {"[BAK]\r\nKeepDays=99999\r\nKeepCount=5000\r\n", {99999, 5000}},
      {"[BAK]\r\nKeepDays=99999999999\r\n", {0, 3}},
  };
  for (const auto& [text, expected] : files) {
    WriteBytes(ini.FileName(), text);
    EXPECT_EQ(settings::ReadKeepDays(ini), expected.first) << text;
    EXPECT_EQ(settings::ReadKeepCount(ini), expected.second) << text;
  }
}

// "Make up missed backups": on unless MakeUp is 0; the box's state is written as 1 or 0 on OK.
TEST_F(FormFixture, MakeUpIsReadAsOnUnlessZeroAndWrittenOnSaving) {
  const std::pair<const char*, bool> files[] = {
      {"[BAK]\r\nTimeCount=0\r\n", true},        {"[BAK]\r\nMakeUp=0\r\n", false}, {"[bak]\r\nmakeup=1\r\n", true},
      {"[BAK]\r\nMakeUp=no\r\n", true},          {"[BAK]\r\nMakeUp=\r\n", true},   {"[BAK]\r\nMakeUp=2\r\n", true},
      {"[BAK]\r\nMakeUp=00\r\n", false},
  };
  for (const auto& [text, on] : files) {
    SCOPED_TRACE(text);
    WriteBytes(ini.FileName(), text);
    EXPECT_EQ(settings::ReadMakeUp(ini), on);
    form.Load(ini);
    EXPECT_EQ(form.makeUp, on);
  }
  form.makeUp = false;
  ASSERT_TRUE(form.Save(ini));
  EXPECT_FALSE(settings::ReadMakeUp(ini));
  EXPECT_NE(ReadBytes(ini.FileName()).find("KeepCount=3\r\nMakeUp=0\r\n"), std::string::npos);
  form.Load(ini);
  EXPECT_FALSE(form.makeUp);
  form.makeUp = true;
  ASSERT_TRUE(form.Save(ini));
  EXPECT_TRUE(settings::ReadMakeUp(ini));
}

}  // namespace

namespace {

TEST_F(FormFixture, NotifyAddressesRoundTripAndOnlyHttpOrHttpsIsSaved) {
  WriteBytes(ini.FileName(), "[BAK]\r\nTimeCount=0\r\n[notify]\r\nsuccessurl=https://hc-ping.com/abc\r\n");
  form.Load(ini);
  EXPECT_EQ(form.successUrl, "https://hc-ping.com/abc") << "keys in any letter case";
  EXPECT_EQ(form.failureUrl, "");

  form.failureUrl = "http://127.0.0.1:8080/hook?t=1";
  ASSERT_TRUE(form.Save(ini));
  EXPECT_TRUE(prompts.shown.empty());
  const settings::NotifyUrls urls = settings::ReadNotifyUrls(ini);
  EXPECT_EQ(urls.successUrl, "https://hc-ping.com/abc");
  EXPECT_EQ(urls.failureUrl, "http://127.0.0.1:8080/hook?t=1");

  // Refused: a box names the field and the reason; the file keeps what it had.
  const std::string before = ReadBytes(ini.FileName());
  for (const char* bad : {"ftp://example.com/", "hooks.slack.com/services/x", "http://", "https://h:0/"}) {
    SCOPED_TRACE(bad);
    prompts.shown.clear();
    form.failureUrl = bad;
    EXPECT_FALSE(form.Save(ini));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text.rfind(settings::kFailureUrlLabel, 0), 0u) << prompts.shown[0].text;
    EXPECT_EQ(prompts.shown[0].icon, NoticeIcon::Stop);
    EXPECT_EQ(ReadBytes(ini.FileName()), before);
  }

  // Both emptied: the section goes, and the file is as one that never had it.
  form.successUrl.clear();
  form.failureUrl.clear();
  ASSERT_TRUE(form.Save(ini));
  EXPECT_EQ(ReadBytes(ini.FileName()).find("notify"), std::string::npos);
}

}  // namespace
