// Backups with the real 7-Zip, end to end: dumpwarden.exe runs from a folder of its own against the
// stand-in SQL Server that ctest starts, with RarProgram pointing at a 7z.exe that is the launcher
// of Debian's 7zz (tools/sevenzip_launcher). Afterwards the host's 7zz tests every archive kept
// here and compares what it extracts with the backup file the server wrote (check_7z_archives.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/win32/main_form_ids.h"
#include "db/credentials_file.h"
#include "support/program_fixture.h"
#include "support/temp_dir.h"

namespace {

using namespace gui_test;
using testing_support::MakeDir;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using app::win32::kMomentBakBtnId;

constexpr DWORD kStartWaitMs = 30000;
constexpr DWORD kRunWaitMs = 60000;

std::string ServerWork() { return WindowsPath(DW_TDS_WORK_DIR); }

std::string ServerPort() {
  std::ifstream file(ServerWork() + "\\port");
  std::string port;
  file >> port;
  return port;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> FilesIn(const std::string& dir, const char* pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA((dir + "\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.emplace_back(found.cFileName);
    }
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return names;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// "HH:MM" of the local time `minutes` from now.
std::string MinutesFromNow(int minutes) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  const int total = (now.wHour * 60 + now.wMinute + minutes) % (24 * 60);
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", total / 60, total % 60);
  return text;
}

int SecondsIntoMinute() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return now.wSecond;
}

class SevenZipBackupTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    if (IsSkipped()) {
      return;
    }
    port_ = ServerPort();
    ASSERT_FALSE(port_.empty()) << "the stand-in server is not running";
    SetServerMode("none");
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ::CreateDirectoryA((ServerWork() + "\\bak").c_str(), nullptr);
    bakDir_ = ServerWork() + "\\bak\\7z_" + test;
    ::CreateDirectoryA(bakDir_.c_str(), nullptr);
    for (const std::string& name : FilesIn(bakDir_, "*")) {
      ::DeleteFileA((bakDir_ + "\\" + name).c_str());
    }
    for (const char* dir : {"Connect", "Bak_Info", "Mirror1", "Mirror2", "Program Files", "Program Files\\7-Zip"}) {
      MakeDir(folder.File(dir));
    }
    WriteBytes(folder.File("Connect\\Connect.ini"), "[Connect]\r\nServer=127.0.0.1," + port_ + "\r\nDB=QEL\r\n");
    db::WriteCredentialsFile(folder.File("Connect\\Data.dat"), db::Get_CompName(),
                             db::Credentials{"dumpwarden", "Bak-Up-2024"});
    // Where 7-Zip usually lives, blank included.
    sevenZip_ = folder.File("Program Files\\7-Zip\\7z.exe");
    ASSERT_TRUE(::CopyFileA(WindowsPath(DW_7Z_LAUNCHER_EXE).c_str(), sevenZip_.c_str(), FALSE));
    copies_ = {folder.File("Mirror1\\"), folder.File("Mirror2\\")};
  }
  void TearDown() override {
    if (!port_.empty()) {
      SetServerMode("none");
    }
  }

  static void SetServerMode(const std::string& mode) { WriteBytes(ServerWork() + "\\mode", mode + "\n"); }
  void SetLauncherMode(const std::string& mode) const {
    WriteBytes(folder.File("Program Files\\7-Zip\\7z.mode"), mode + "\n");
  }

  void WriteSettings(const std::vector<std::string>& times, const std::string& rarProgram) const {
    std::string text = "[BAK]\r\nTimeCount=" + std::to_string(times.size()) + "\r\n";
    for (std::size_t i = 0; i < times.size(); ++i) {
      text += "Time_" + std::to_string(i + 1) + "=" + times[i] + "\r\n";
    }
    text += "BakDir=" + bakDir_ + "\r\nRarProgram=" + rarProgram + "\r\n[copy]\r\ncount=" +
            std::to_string(copies_.size()) + "\r\n";
    for (std::size_t i = 0; i < copies_.size(); ++i) {
      text += "Copy" + std::to_string(i + 1) + "=" + copies_[i] + "\r\n";
    }
    WriteBytes(folder.File("Bak_Info\\Bak_Info.ini"), text);
  }

  // dumpwarden.exe itself, once its start-up connection check is over.
  void StartConnected() {
    const std::string exe = folder.File("dumpwarden.exe");
    ASSERT_TRUE(::CopyFileA(WindowsPath(DW_PROGRAM_EXE).c_str(), exe.c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(Start(exe.c_str()));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(Control(kMomentBakBtnId)) && ApplicationMinimised(); },
                          kStartWaitMs))
        << "the start-up connection did not succeed";
  }

  // The lines of backup runs: a first start's line about missed times is not one.
  [[nodiscard]] std::vector<std::string> History() const {
    std::vector<std::string> runs;
    for (std::string& line : Lines(ReadBytes(folder.File("Bak_Info\\history.log")))) {
      if (line.find("\tmissed\t") == std::string::npos && line.find("\tschedule\t") == std::string::npos) {
        runs.push_back(std::move(line));
      }
    }
    return runs;
  }
  [[nodiscard]] std::vector<std::string> LauncherRuns() const {
    return Lines(ReadBytes(folder.File("Program Files\\7-Zip\\7z.lastrun")));
  }
  // Waits until the history has `count` lines; meanwhile keeps a copy of every backup file the
  // server writes, for comparing with what the archive holds.
  bool WaitForRuns(std::size_t count, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (::GetTickCount64() < deadline) {
      for (const std::string& name : FilesIn(bakDir_, "*.bak")) {
        const std::string kept = folder.File(name + ".kept");
        if (!Exists(kept)) {
          ::CopyFileA((bakDir_ + "\\" + name).c_str(), kept.c_str(), TRUE);
        }
      }
      if (Exists(folder.File("Bak_Info\\history.log")) && History().size() >= count) {
        return true;
      }
      ::Sleep(3);
    }
    return false;
  }
  void ClickBak() const { ::PostMessageA(Control(kMomentBakBtnId), BM_CLICK, 0, 0); }
  void ClearBakDir() const {
    for (const std::string& name : FilesIn(bakDir_, "*")) {
      ::DeleteFileA((bakDir_ + "\\" + name).c_str());
    }
  }

  // Hands the archive and the backup file to the host's 7zz after the test.
  void KeepForArchiveCheck(const std::string& archive, const std::string& keptBackup) const {
    const std::string all = WindowsPath(DW_BACKUP_7Z_EVIDENCE_DIR);
    const std::string evidence = all + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ::CreateDirectoryA(all.c_str(), nullptr);
    ::CreateDirectoryA(evidence.c_str(), nullptr);
    for (const std::string& name : FilesIn(evidence, "*")) {
      ::DeleteFileA((evidence + "\\" + name).c_str());
    }
    const std::string bare = keptBackup.substr(keptBackup.rfind('\\') + 1);
    EXPECT_TRUE(::CopyFileA(archive.c_str(), (evidence + "\\archive.7z").c_str(), FALSE));
    EXPECT_TRUE(::CopyFileA(keptBackup.c_str(), (evidence + "\\" + bare.substr(0, bare.size() - 5)).c_str(), FALSE));
  }

  TempDir folder;
  std::string port_;
  std::string bakDir_;
  std::string sevenZip_;
  std::vector<std::string> copies_;
};

TEST_F(SevenZipBackupTest, ScheduledRunMakesA7zArchiveItsCopiesAndRemovesTheBackupFile) {
  const std::string first = MinutesFromNow(SecondsIntoMinute() > 45 ? 2 : 1);
  const std::string later = MinutesFromNow(30);
  WriteSettings({first, later}, sevenZip_);
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  ASSERT_TRUE(WaitForRuns(1, 3 * 60000)) << "no scheduled backup";

  const auto archives = FilesIn(bakDir_, "*.7z");
  const auto kept = FilesIn(folder.Path(), "*.bak.kept");
  ASSERT_EQ(archives.size(), 1u);
  ASSERT_EQ(kept.size(), 1u) << "the backup file was never seen";
  const std::string bakName = kept[0].substr(0, kept[0].size() - 5);
  EXPECT_EQ(archives[0], bakName.substr(0, bakName.size() - 4) + ".7z");
  EXPECT_TRUE(FilesIn(bakDir_, "*.bak").empty()) << "the backup file is gone";
  EXPECT_TRUE(FilesIn(bakDir_, "*.rar").empty());
  const std::string archive = bakDir_ + "\\" + archives[0];
  for (const std::string& copy : copies_) {
    EXPECT_EQ(ReadBytes(copy + "Copy of " + archives[0]), ReadBytes(archive)) << copy;
  }
  KeepForArchiveCheck(archive, folder.File(kept[0]));

  // 7-Zip's own command lines, started in the backup folder.
  const std::vector<std::string> expected = {
      bakDir_ + "\t\"" + sevenZip_ + "\" a -t7z -mx=1 -y \"" + archive + "\" \"" + bakDir_ + "\\" + bakName + "\"",
      bakDir_ + "\t\"" + sevenZip_ + "\" t \"" + archive + "\"",
  };
  EXPECT_EQ(LauncherRuns(), expected);
  const std::string line = History().at(0);
  EXPECT_NE(line.find("\tscheduled\t"), std::string::npos) << line;
  EXPECT_NE(line.find("\tarchiver=0\ttest=0\t"), std::string::npos) << line;
  EXPECT_NE(line.find("\tcopies=2/2\t"), std::string::npos) << line;
  EXPECT_EQ(line.substr(line.size() - 3), "\tok") << line;
  EXPECT_TRUE(program->Running());
}

// Through "[bak]": an archive that 7-Zip reports made but that is damaged, and a 7z.exe that is not
// there, each keep the backup file.
TEST_F(SevenZipBackupTest, DamagedArchiveOrMissing7ZipKeepsTheBackupFile) {
  const std::string later = MinutesFromNow(30);
  WriteSettings({later}, sevenZip_);
  ASSERT_NO_FATAL_FAILURE(StartConnected());

  SetLauncherMode("truncate");
  ClickBak();
  ASSERT_TRUE(WaitForRuns(1, kRunWaitMs)) << "no immediate backup";
  EXPECT_EQ(FilesIn(bakDir_, "*.bak").size(), 1u) << "the backup file stays";
  const auto archives = FilesIn(bakDir_, "*.7z");
  ASSERT_EQ(archives.size(), 1u) << "the cut archive is left for the operator to see";
  std::string line = History().back();
  EXPECT_NE(line.find("\tarchiver=0\ttest=2\t"), std::string::npos) << "7-Zip's code for a fatal error: " << line;
  EXPECT_NE(line.find("\twarning: the archive failed its test."), std::string::npos) << line;
  EXPECT_EQ(LauncherRuns().size(), 2u);

  ClearBakDir();
  for (const std::string& copy : copies_) {
    for (const std::string& name : FilesIn(copy, "*")) {
      ::DeleteFileA((copy + name).c_str());
    }
  }
  SetLauncherMode("ok");
  WriteSettings({later}, folder.File("Program Files\\7-Zip\\gone\\7z.exe"));
  ClickBak();
  ASSERT_TRUE(WaitForRuns(2, kRunWaitMs)) << "no second immediate backup";
  EXPECT_EQ(FilesIn(bakDir_, "*.bak").size(), 1u) << "the backup file stays";
  EXPECT_TRUE(FilesIn(bakDir_, "*.7z").empty());
  for (const std::string& copy : copies_) {
    EXPECT_TRUE(FilesIn(copy, "*").empty()) << copy;
  }
  line = History().back();
  EXPECT_NE(line.find("\twarning: the archive was not made."), std::string::npos) << line;
  EXPECT_EQ(LauncherRuns().size(), 2u) << "the launcher was started again";
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(form) != FALSE; })) << "the panel is shown again";
  EXPECT_TRUE(program->Running());
}

}  // namespace
