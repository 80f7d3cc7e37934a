// Backups end to end, driven from outside: the program runs from a folder of its own against the
// stand-in SQL Server that ctest starts, with the stand-in archiver beside it, and every result is
// looked at on disk (the backup file, the archive, its copies, the history) and on screen (the
// balloon, the next time on Label2).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <fstream>
#include <string>
#include <vector>

#include "app/win32/main_form_ids.h"
#include "db/credentials_file.h"
#include "host/host_commands.h"
#include "support/json_reader.h"
#include "support/program_fixture.h"
#include "support/temp_dir.h"

namespace {

using namespace gui_test;
using testing_support::MakeDir;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using app::win32::kLabel2Id;
using app::win32::kMomentBakBtnId;
using app::win32::kPanel2Id;
using app::win32::kRefreshBtnId;

constexpr DWORD kStartWaitMs = 30000;
constexpr DWORD kRunWaitMs = 60000;

constexpr const char* kUser = "dumpwarden";
constexpr const char* kPassword = "Bak-Up-2024";
constexpr const char* kCreated = "INFO|Bakup of database \"QEL\" is created.";
constexpr const char* kCreatedBut = "Warning|Bakup of database \"QEL\" is created, but ";

std::string ServerWork() {
#ifdef DW_TDS_WORK_DIR
  return WindowsPath(DW_TDS_WORK_DIR);
#else
  return {};
#endif
}

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
    names.emplace_back(found.cFileName);
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

// The entries as the settings dialog stores them: in ascending order of time. Times taken from
// the clock need this near midnight, where "a minute from now" may come after "half an hour from now".
std::vector<std::string> Ascending(std::vector<std::string> times) {
  std::sort(times.begin(), times.end());
  return times;
}

// The time the schedule arms when it searches the entries ("HH:MM", ascending) from entry `position`
// (numbered from 1) at the minute `now`: the first one later than that minute, else entry 1, which
// then comes on the next day. After a scheduled run the search starts at entry 2: the run's
// connection sets the position to 1 and the run raises it by one.
std::string NextScheduledTime(const std::vector<std::string>& entries, std::size_t position, const std::string& now) {
  for (std::size_t i = position; i <= entries.size(); ++i) {
    if (entries[i - 1] > now) {
      return entries[i - 1];
    }
  }
  return entries.front();
}

// "Copy of QEL_yyyymmdd_hhmmss.rar" for each of the next `seconds` seconds, read-only.
void MakeReadOnlyTargets(const std::string& folder, int seconds) {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER start{};
  start.LowPart = now.dwLowDateTime;
  start.HighPart = now.dwHighDateTime;
  for (int s = -1; s < seconds; ++s) {
    ULARGE_INTEGER at = start;
    at.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(s) * 10000000LL);
    FILETIME utc{at.LowPart, at.HighPart};
    FILETIME local{};
    SYSTEMTIME t{};
    ::FileTimeToLocalFileTime(&utc, &local);
    ::FileTimeToSystemTime(&local, &t);
    char name[64];
    std::snprintf(name, sizeof name, "Copy of QEL_%04u%02u%02u_%02u%02u%02u.rar", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    const std::string path = folder + name;
    WriteBytes(path, "read-only");
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  }
}

void ClearReadOnly(const std::string& folder) {
  for (const std::string& name : FilesIn(folder, "*")) {
    ::SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

int SecondsIntoMinute() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return now.wSecond;
}

class BackupProgramTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    if (IsSkipped()) {
      return;
    }
    port_ = ServerPort();
    if (port_.empty()) {
      GTEST_SKIP() << "the stand-in server is not running (configure with DW_TDS_SERVER)";
    }
    SetServerMode("none");
    // The backup folder is one the server and the program both reach: below the server's own folder.
    bakDir_ = ServerWork() + "\\bak\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ::CreateDirectoryA(bakDir_.c_str(), nullptr);
    for (const std::string& name : FilesIn(bakDir_, "*")) {
      ::DeleteFileA((bakDir_ + "\\" + name).c_str());
    }
    MakeDir(folder.File("Connect"));
    MakeDir(folder.File("Bak_Info"));
    MakeDir(folder.File("Mirror1"));
    MakeDir(folder.File("Mirror2"));
    WriteBytes(folder.File("Connect\\Connect.ini"), "[Connect]\r\nServer=127.0.0.1," + port_ + "\r\nDB=QEL\r\n");
    db::WriteCredentialsFile(folder.File("Connect\\Data.dat"), db::Get_CompName(), db::Credentials{kUser, kPassword});
    archiver_ = folder.File("dw_rar_standin.exe");
    ASSERT_TRUE(::CopyFileA(WindowsPath(DW_RAR_STANDIN_EXE).c_str(), archiver_.c_str(), FALSE));
    copies_ = {folder.File("Mirror1\\"), folder.File("Mirror2\\")};
  }
  void TearDown() override {
    if (!port_.empty()) {
      SetServerMode("none");
    }
  }

  static void SetServerMode(const std::string& mode) { WriteBytes(ServerWork() + "\\mode", mode + "\n"); }
  void SetArchiverMode(const std::string& mode) const { WriteBytes(folder.File("dw_rar_standin.mode"), mode + "\n"); }

  // Bak_Info.ini as the settings dialog writes it (capital C in the copy keys).
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

  // Starts the program (the test host with the real start-up sequence and a readable balloon, or
  // dumpwarden.exe itself) and waits until its start-up connection check is over.
  void StartConnected(bool realProgram = false) {
    const std::string exe = folder.File(realProgram ? "dumpwarden.exe" : "dw_gui_host.exe");
    ASSERT_TRUE(::CopyFileA(WindowsPath(realProgram ? DW_PROGRAM_EXE : DW_GUI_HOST_EXE).c_str(), exe.c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(Start(exe.c_str(), realProgram ? "" : "startup balloons"));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(Control(kMomentBakBtnId)) && ApplicationMinimised(); },
                          kStartWaitMs))
        << "the start-up connection did not succeed";
    if (!realProgram) {
      balloons_ = WaitForProcessWindow(pid, kBalloonLogClass);
      ASSERT_NE(balloons_, nullptr);
    }
  }

  [[nodiscard]] std::string Balloon() const { return WindowText(balloons_); }
  [[nodiscard]] std::string NextTime() const { return WindowText(Control(kPanel2Id, kLabel2Id)); }
  // The history's lines of backup runs (and their clean-up); the lines of missed times and of the
  // schedule's notes are HistoryOf("missed"), HistoryOf("schedule").
  [[nodiscard]] std::vector<std::string> History() const {
    std::vector<std::string> runs;
    for (std::string& line : Lines(ReadBytes(folder.File("Bak_Info\\history.log")))) {
      if (line.find("\tmissed\t") == std::string::npos && line.find("\tschedule\t") == std::string::npos) {
        runs.push_back(std::move(line));
      }
    }
    return runs;
  }
  [[nodiscard]] std::vector<std::string> HistoryOf(const std::string& kind) const {
    std::vector<std::string> lines;
    for (std::string& line : Lines(ReadBytes(folder.File("Bak_Info\\history.log")))) {
      if (line.find("\t" + kind + "\t") != std::string::npos) {
        lines.push_back(std::move(line));
      }
    }
    return lines;
  }
  // Every balloon the test host showed, "title|text", in order.
  [[nodiscard]] std::vector<std::string> Balloons() const {
    const std::string path = folder.File("balloons.log");
    return Exists(path) ? Lines(ReadBytes(path)) : std::vector<std::string>{};
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
        PumpMessages(200);  // the balloon is shown before the line is written; give it its moment
        return true;
      }
      ::Sleep(3);
    }
    return false;
  }
  void ClickBak() const { ::PostMessageA(Control(kMomentBakBtnId), BM_CLICK, 0, 0); }

  // The files of a finished run: the one archive and the one kept backup file.
  struct RunFiles {
    std::string archive;
    std::string keptBackup;
  };
  [[nodiscard]] RunFiles OnlyRun() const {
    const auto archives = FilesIn(bakDir_, "*.rar");
    const auto kept = FilesIn(folder.Path(), "*.bak.kept");
    RunFiles files;
    if (archives.size() == 1) {
      files.archive = bakDir_ + "\\" + archives[0];
    }
    if (kept.size() == 1) {
      files.keptBackup = folder.File(kept[0]);
    }
    return files;
  }
  // Hands the archive and the backup file to the check after the test (7zip or unzip on the host).
  void KeepForArchiveCheck(const RunFiles& files) const {
    const std::string evidence = WindowsPath(DW_BACKUP_EVIDENCE_DIR) + "\\" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ::CreateDirectoryA(WindowsPath(DW_BACKUP_EVIDENCE_DIR).c_str(), nullptr);
    ::CreateDirectoryA(evidence.c_str(), nullptr);
    // Only this run's files: a backup file kept by an earlier run would be compared with this archive.
    for (const std::string& name : FilesIn(evidence, "*")) {
      ::DeleteFileA((evidence + "\\" + name).c_str());
    }
    const std::string bare = files.keptBackup.substr(files.keptBackup.rfind('\\') + 1);
    EXPECT_TRUE(::CopyFileA(files.archive.c_str(), (evidence + "\\archive.rar").c_str(), FALSE));
    EXPECT_TRUE(::CopyFileA(files.keptBackup.c_str(), (evidence + "\\" + bare.substr(0, bare.size() - 5)).c_str(),
                            FALSE));
  }
  void ExpectCopiesEqualTheArchive(const std::string& archive) const {
    const std::string archiveName = archive.substr(archive.rfind('\\') + 1);
    for (const std::string& copy : copies_) {
      EXPECT_EQ(ReadBytes(copy + "Copy of " + archiveName), ReadBytes(archive)) << copy;
    }
  }

  // One run that did everything: the archive and both copies, the backup file gone, its line "ok".
  void ExpectCompleteBackup(const std::string& kind) const {
    const RunFiles files = OnlyRun();
    ASSERT_FALSE(files.archive.empty());
    ASSERT_FALSE(files.keptBackup.empty()) << "the backup file was never seen";
    EXPECT_TRUE(FilesIn(bakDir_, "*.bak").empty()) << "the backup file is gone";
    ExpectCopiesEqualTheArchive(files.archive);
    KeepForArchiveCheck(files);
    const std::string line = History().at(0);
    EXPECT_NE(line.find("\t" + kind + "\t"), std::string::npos) << line;
    EXPECT_NE(line.find("\tarchiver=0\ttest=0\t"), std::string::npos) << line;
    EXPECT_NE(line.find("\tcopies=2/2\t"), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 3), "\tok") << line;
  }

  TempDir folder;
  std::string port_;
  std::string bakDir_;
  std::string archiver_;
  std::vector<std::string> copies_;
  HWND balloons_ = nullptr;
};

TEST_F(BackupProgramTest, ScheduledBackupAtTheNextMinute) {
  // Far enough ahead for the start-up connection to finish before the minute begins.
  const std::string first = MinutesFromNow(SecondsIntoMinute() > 45 ? 2 : 1);
  const std::string later = MinutesFromNow(30);
  // From 23:30 on, `later` falls on the next day and is stored before `first`.
  const std::vector<std::string> times = Ascending({first, later});
  WriteSettings(times, archiver_);
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  EXPECT_EQ(NextTime(), first);
  ASSERT_TRUE(WaitForRuns(1, 3 * 60000)) << "no scheduled backup";
  // The run armed its next time a moment ago, within this minute or the one before.
  const std::string expected = NextScheduledTime(times, 2, MinutesFromNow(0));
  EXPECT_EQ(Balloon(), kCreated);
  EXPECT_EQ(NextTime(), expected) << "the next time is armed";
  ExpectCompleteBackup("scheduled");
  EXPECT_TRUE(program->Running());
}

TEST_F(BackupProgramTest, ImmediateBackupLeavesTheScheduleAsArmed) {
  const std::string later = MinutesFromNow(30);
  WriteSettings({later}, archiver_);
  ASSERT_NO_FATAL_FAILURE(StartConnected(true));  // dumpwarden.exe itself
  ClickBak();
  ASSERT_TRUE(WaitForRuns(1, kRunWaitMs)) << "no immediate backup";
  EXPECT_EQ(NextTime(), later);
  ExpectCompleteBackup("immediate");
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(form) != FALSE; })) << "the panel is shown again";
}

// Archiver and copy faults through "[bak]": the backup file stays whenever the archive is not
// proven, a copy that fails shows in the balloon, and the armed time stays as it was.
TEST_F(BackupProgramTest, ArchiverAndCopyFaultsOfImmediateRuns) {
  const std::string later = MinutesFromNow(30);
  struct Fault {
    const char* what;
    const char* archiverMode;
    bool archiverMissing;
    int copyFault;  // 0 none, 1 second folder missing, 2 read-only target, 3 no trailing backslash
    bool bakKept;
    const char* balloonTail;
  };
  const Fault faults[] = {
      {"archiver missing", "ok", true, 0, true, "the archive was not made."},
      {"archiver fails", "fail", false, 0, true, "the archive was not made."},
      {"truncated archive", "truncate", false, 0, true, "the archive failed its test."},
      {"archiver crashes", "crash", false, 0, true, "the archive was not made."},
      {"copy folder missing", "ok", false, 1, false, "1 of 2 copies failed."},
      {"read-only copy target", "ok", false, 2, false, "1 of 2 copies failed."},
      {"entry without backslash", "ok", false, 3, false, nullptr},
  };
  copies_ = {folder.File("Mirror1\\"), folder.File("Mirror2\\")};
  WriteSettings({later}, archiver_);
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  std::size_t runs = 0;
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.what);
    for (const std::string& name : FilesIn(bakDir_, "*")) {
      ::DeleteFileA((bakDir_ + "\\" + name).c_str());
    }
    SetArchiverMode(f.archiverMode);
    copies_ = {folder.File("Mirror1\\"), folder.File("Mirror2\\")};
    if (f.copyFault == 1) {
      copies_[1] = folder.File("NoSuchFolder\\");
    }
    if (f.copyFault == 3) {
      copies_[1] = folder.File("Mirror2");
    }
    WriteSettings({later}, f.archiverMissing ? folder.File("no-such-archiver.exe") : archiver_);
    if (f.copyFault == 2) {
      // The archive is named after the second the server writes it: every name of the next seconds
      // is taken by a read-only file.
      MakeReadOnlyTargets(copies_[1], 30);
    }
    ClickBak();
    ASSERT_TRUE(WaitForRuns(++runs, kRunWaitMs));
    const std::string balloon = Balloon();
    if (f.balloonTail == nullptr) {
      EXPECT_EQ(balloon, kCreated);
    } else {
      EXPECT_EQ(balloon, kCreatedBut + std::string(f.balloonTail));
    }
    EXPECT_EQ(FilesIn(bakDir_, "*.bak").size(), f.bakKept ? 1u : 0u);
    if (f.copyFault == 3) {
      const auto archives = FilesIn(bakDir_, "*.rar");
      ASSERT_EQ(archives.size(), 1u);
      EXPECT_TRUE(Exists(folder.File("Mirror2Copy of " + archives[0]))) << "beside the folder";
    }
    if (f.copyFault == 2) {
      const auto archives = FilesIn(bakDir_, "*.rar");
      ASSERT_EQ(archives.size(), 1u);
      EXPECT_EQ(ReadBytes(copies_[1] + "Copy of " + archives[0]), "read-only") << "the target kept its content";
      ClearReadOnly(copies_[1]);
    }
    EXPECT_EQ(NextTime(), later);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(form) != FALSE; }));
    EXPECT_TRUE(program->Running());
  }
}

// --- Under a faked wall clock -------------------------------------------------------------------

// The wall clock of this driver and of the program it starts, when their ctest entry preloads
// faketime (tests/gui/CMakeLists.txt): an offset in seconds and a speed in one file, which both
// processes read again every second. Tick counts stay real.
class FakedClock {
 public:
  static std::string File() {
    const char* path = std::getenv("DW_FAKED_CLOCK_FILE");
    return path == nullptr ? std::string() : WindowsPath(path);
  }
  // Back to the real time; the file may hold an offset left by an earlier test.
  void Reset() {
    offset_ = 0;
    Write(0, 1);
  }
  // Moves the clock to the nearest moment, forward or back, whose local time of day is h:m:s; false
  // when this process does not read that time afterwards.
  [[nodiscard]] bool SetTimeOfDay(int hour, int minute, int second) {
    long long delta = (hour * 3600LL + minute * 60 + second - SecondsOfDay()) % kDay;
    if (delta < 0) {
      delta += kDay;
    }
    if (delta > kDay / 2) {
      delta -= kDay;
    }
    offset_ += delta;
    Write(offset_, 1);
    const long long target = hour * 3600LL + minute * 60 + second;
    const long long off = ((SecondsOfDay() - target) % kDay + kDay) % kDay;
    return off <= kSettleSeconds + 1 || off >= kDay - 1;  // read back a moment after the target
  }
  // For a program started next: its clock starts at h:m:00 and runs `speed` times as fast (faketime
  // counts the speed from each process's own start, so this driver's clock is of no use after it).
  // For a program started next: its clock starts at this moment (seconds since 1970, UTC) and runs
  // `speed` times as fast; with TZ in its environment, the local time of that zone.
  void StartNextProgramAtUtc(long long unixSeconds, int speed) {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const long long faked = static_cast<long long>(((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) |
                                                    now.dwLowDateTime) / 10000000ULL) - 11644473600LL;
    Write(unixSeconds - (faked - offset_), speed);
  }
  void StartNextProgramAt(int hour, int minute, int speed) {
    long long delta = (hour * 3600LL + minute * 60 - SecondsOfDay()) % kDay;
    if (delta < 0) {
      delta += kDay;
    }
    Write(offset_ + delta, speed);
  }

 private:
  static constexpr long long kDay = 24 * 3600;
  // faketime reads the file again once whole seconds show more than its cache time (one second)
  // since the last reading: up to three seconds.
  static constexpr long long kSettleSeconds = 3;
  static long long SecondsOfDay() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return now.wHour * 3600LL + now.wMinute * 60 + now.wSecond;
  }
  void Write(long long offset, int speed) {
    std::string text = offset >= 0 ? "+" : "";
    // The speed always: faketime keeps the last speed it read while the file names none, so a
    // driver started on the file a "x10" test left behind would otherwise run ten times as fast
    // after Reset, and its clock moves would not read back their targets.
    text += std::to_string(offset) + " x" + std::to_string(speed);
    WriteBytes(File(), text + "\n");
    // Until both processes have read it again. Counted on the tick count, which stays real: faketime
    // shortens this process's sleeps by the speed it last read (64-bit Wine), so a plain Sleep after
    // a "x10" file would end long before the file is read again.
    const ULONGLONG settled = ::GetTickCount64() + kSettleSeconds * 1000 + 200;
    while (::GetTickCount64() < settled) {
      ::Sleep(20);
    }
  }

  long long offset_ = 0;
};

class FakedClockTest : public BackupProgramTest {
 protected:
  void SetUp() override {
    if (FakedClock::File().empty()) {
      GTEST_SKIP() << "runs only from its own ctest entry, under faketime";
    }
    clock.Reset();
    BackupProgramTest::SetUp();
  }
  // Back to the real time and speed: the next test's driver starts on this file, and a speed left in
  // it shortens its first waits for the clock to settle.
  void TearDown() override {
    BackupProgramTest::TearDown();
    if (!FakedClock::File().empty()) {
      clock.Reset();
    }
  }

  // The time of day of a history line's start, "HH:MM:SS".
  static std::string StartTimeOf(const std::string& line) { return line.substr(11, 8); }
  static std::string DateOf(const std::string& line) { return line.substr(0, 10); }
  static bool EndsOk(const std::string& line) { return line.size() > 3 && line.substr(line.size() - 3) == "\tok"; }

  FakedClock clock;
};

// Server faults in scheduled runs at consecutive minutes: each reports its error in a balloon,
// closes the connection and still arms the next time, so the next fault's backup happens. The
// clock is moved to a few seconds before each minute instead of waiting for it.
TEST_F(FakedClockTest, ScheduledServerFaultsEachLeaveTheNextTimeArmed) {
  struct Fault {
    const char* serverMode;
    const char* archiverMode;
    const char* balloonStart;
  };
  const Fault faults[] = {
      {"proc-error", "ok", "Error|"},
      {"no-result", "ok", "Error|CommandText does not return a result set"},
      {"drop", "ok", "Error|"},
      {"none", "crash", "Warning|Bakup of database \"QEL\" is created, but the archive was not made."},
  };
  const std::vector<std::string> times{"10:00", "10:01", "10:02", "10:03", "10:30"};
  WriteSettings(times, archiver_);
  ASSERT_TRUE(clock.SetTimeOfDay(9, 59, 20));
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  for (std::size_t i = 0; i < std::size(faults); ++i) {
    SCOPED_TRACE(faults[i].serverMode + std::string("/") + faults[i].archiverMode);
    SetServerMode(faults[i].serverMode);
    SetArchiverMode(faults[i].archiverMode);
    EXPECT_EQ(NextTime(), times[i]);
    ASSERT_TRUE(clock.SetTimeOfDay(9 + (i == 0 ? 0 : 1), i == 0 ? 59 : static_cast<int>(i) - 1, 54));
    ASSERT_TRUE(WaitForRuns(i + 1, kRunWaitMs)) << "no scheduled backup at " << times[i];
    EXPECT_EQ(Balloon().rfind(faults[i].balloonStart, 0), 0u) << Balloon();
    EXPECT_TRUE(WaitUntil([&] { return NextTime() == times[i + 1]; })) << "next time: " << NextTime();
    const std::string line = History().back();
    EXPECT_EQ(StartTimeOf(line).substr(0, 5), times[i]) << line;
    EXPECT_NE(line.find(i < 3 ? "\terror: " : "\twarning: "), std::string::npos) << line;
  }
  SetServerMode("none");
  EXPECT_EQ(FilesIn(bakDir_, "*.bak").size(), 2u) << "no-result and crash keep their backup files";
  EXPECT_TRUE(program->Running());
}

// Started at 23:58:30 with entries 00:00, 00:01 and 23:59: 23:59, 00:00 and 00:01 each run once, in
// that order, and the date moves on at midnight. After each run the clock goes on to ten seconds
// before the next minute instead of waiting out this one; midnight itself passes as the clock runs.
// Then 00:00 as the only entry: the schedule arms it again within its own minute after the run,
// and it still runs only once.
TEST_F(FakedClockTest, EntriesAcrossMidnightRunOnceEachInOrder) {
  ASSERT_TRUE(clock.SetTimeOfDay(23, 58, 30));
  ASSERT_EQ(MinutesFromNow(0), "23:58") << "the clock was not moved";
  WriteSettings({"00:00", "00:01", "23:59"}, archiver_);  // ascending, as the settings dialog writes them
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  EXPECT_EQ(NextTime(), "23:59");
  const char* const minutes[] = {"23:59", "00:00", "00:01"};
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(WaitForRuns(i + 1, kRunWaitMs)) << "no backup at " << minutes[i];
    if (i < 2) {
      ASSERT_TRUE(WaitUntil([&] { return NextTime() == minutes[i + 1]; })) << "next time: " << NextTime();
      ASSERT_EQ(MinutesFromNow(0), minutes[i]) << "the run did not end within its minute";
      ASSERT_TRUE(clock.SetTimeOfDay(i == 0 ? 23 : 0, i == 0 ? 59 : 0, 50));
    }
  }
  auto lines = History();
  ASSERT_EQ(lines.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(StartTimeOf(lines[i]).substr(0, 5), minutes[i]) << lines[i];
    EXPECT_TRUE(EndsOk(lines[i])) << lines[i];
  }
  EXPECT_NE(DateOf(lines[0]), DateOf(lines[1])) << "the date moved on at midnight";
  EXPECT_EQ(DateOf(lines[1]), DateOf(lines[2]));
  EXPECT_EQ(NextTime(), "23:59") << "after the last entry the schedule starts again with the first";

  // Armed first, then the clock set back: 23:59 is no longer armed when the clock passes it again.
  WriteSettings({"00:00"}, archiver_);
  ::PostMessageA(Control(kRefreshBtnId), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return NextTime() == "00:00"; }));
  ASSERT_TRUE(clock.SetTimeOfDay(23, 59, 52));
  ASSERT_TRUE(WaitForRuns(4, kRunWaitMs)) << "no backup at 00:00";
  EXPECT_EQ(StartTimeOf(History().back()).substr(0, 5), "00:00");
  // The whole rest of the minute, tick by tick: the re-armed 00:00 must not fire again.
  ASSERT_TRUE(WaitUntil([] { return MinutesFromNow(0) == "00:01"; }, 70000));
  PumpMessages(2000);
  lines = History();
  EXPECT_EQ(lines.size(), 4u) << "00:00 ran again within its minute: " << lines.back();
  EXPECT_EQ(NextTime(), "00:00");
  EXPECT_TRUE(program->Running());
}

// One entry, 10:00, and the wall clock moved while the program runs:
//  - set forward past the armed time (09:59:30 to 10:05): the backup is missed that day;
//  - set into 10:00:xx while armed: the backup runs at the next tick;
//  - set back after a backup (to 09:58:55): the backup runs again at 10:00:00.
// A backup that would repeat within a minute of the last one is refused, so each step that ends
// in a backup begins more than a minute after the one before it.
TEST_F(FakedClockTest, ClockSetBackAndForwardWhileTheProgramRuns) {
  WriteSettings({"10:00"}, archiver_);
  ASSERT_TRUE(clock.SetTimeOfDay(9, 59, 35));
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  ASSERT_TRUE(WaitForRuns(1, kRunWaitMs)) << "no backup at 10:00";
  const ULONGLONG firstRun = ::GetTickCount64();
  EXPECT_EQ(NextTime(), "10:00") << "the only entry is armed again, for tomorrow";

  ASSERT_TRUE(clock.SetTimeOfDay(9, 59, 30));  // a tick before 10:00 arms the alarm again
  ASSERT_TRUE(clock.SetTimeOfDay(10, 5, 0));
  while (::GetTickCount64() - firstRun < 62000) {
    PumpMessages(1000);
  }
  EXPECT_EQ(History().size(), 1u) << "a time jumped over is missed: " << History().back();
  EXPECT_EQ(NextTime(), "10:00");

  ASSERT_TRUE(clock.SetTimeOfDay(9, 59, 50));
  ASSERT_TRUE(clock.SetTimeOfDay(10, 0, 20));
  ASSERT_TRUE(WaitForRuns(2, 10000)) << "no backup after the clock was set into 10:00";
  const ULONGLONG secondRun = ::GetTickCount64();

  ASSERT_TRUE(clock.SetTimeOfDay(9, 58, 55));
  ASSERT_TRUE(WaitForRuns(3, 90000)) << "no backup at 10:00 after the clock was set back";
  EXPECT_GE(::GetTickCount64() - secondRun, 60000u) << "it ran at 10:00:00, not at once";

  const auto lines = History();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(StartTimeOf(lines[0]).substr(0, 5), "10:00") << lines[0];
  EXPECT_GE(StartTimeOf(lines[1]), "10:00:20") << lines[1];
  EXPECT_EQ(StartTimeOf(lines[2]).substr(0, 5), "10:00") << lines[2];
  for (const std::string& line : lines) {
    EXPECT_TRUE(EndsOk(line)) << line;
    EXPECT_NE(line.find("\tscheduled\t"), std::string::npos) << line;
  }
  EXPECT_TRUE(program->Running());
}

// A server that does not answer within the command time-out of 300 seconds: the program's clock,
// and with it the driver's wait for the answer, runs ten times as fast, so the time-out comes after
// half a minute. The run reports the error and still arms the next time.
TEST_F(FakedClockTest, ServerTimeOutInAScheduledRunLeavesTheNextTimeArmed) {
  WriteSettings({"10:00", "11:00"}, archiver_);
  SetServerMode("slow=900");
  clock.StartNextProgramAt(9, 58, 10);
  const ULONGLONG start = ::GetTickCount64();
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  EXPECT_EQ(NextTime(), "10:00");
  ASSERT_TRUE(WaitForRuns(1, 120000)) << "the run did not end within two minutes";
  const std::string line = History().back();
  EXPECT_EQ(StartTimeOf(line).substr(0, 5), "10:00") << line;
  EXPECT_NE(line.find("	error: "), std::string::npos) << line;
  EXPECT_EQ(Balloon().rfind("Error|", 0), 0u) << Balloon();
  EXPECT_TRUE(WaitUntil([&] { return NextTime() == "11:00"; })) << "next time: " << NextTime();
  EXPECT_GE(::GetTickCount64() - start, 25000u) << "it waited for the time-out";
  SetServerMode("none");
  EXPECT_TRUE(program->Running());
}

// --- Missed backup times -------------------------------------------------------------------------
// Each ends with the times reported once in the history and in a Warning balloon, one make-up run
// (history kind "makeup") that leaves the schedule's next time armed, and nothing more.

bool Has(const std::string& line, const std::string& part) { return line.find(part) != std::string::npos; }

// The clock set forward over 10:00 (09:58 to 10:05) while the program runs.
TEST_F(FakedClockTest, AClockSetForwardOverATimeIsReportedAndMadeUpOnce) {
  WriteSettings({"10:00", "10:10"}, archiver_);
  ASSERT_TRUE(clock.SetTimeOfDay(9, 58, 0));
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  EXPECT_EQ(NextTime(), "10:00");
  ASSERT_TRUE(clock.SetTimeOfDay(10, 5, 0));
  ASSERT_TRUE(WaitForRuns(1, kRunWaitMs)) << "no make-up run";
  const auto missed = HistoryOf("missed");
  ASSERT_EQ(missed.size(), 2u) << "the first start's line and the jump's";
  EXPECT_TRUE(Has(missed[0], "\tcount=0\t")) << missed[0];
  EXPECT_TRUE(Has(missed[1], "\tcause=clock\tcount=1\ttimes=")) << missed[1];
  EXPECT_TRUE(Has(missed[1], " 10:00\tmakeup=yes")) << missed[1];
  std::vector<std::string> runs = History();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(Has(runs[0], "\tmakeup\t")) << runs[0];
  EXPECT_TRUE(EndsOk(runs[0])) << runs[0];
  const auto balloons = Balloons();
  ASSERT_GE(balloons.size(), 3u);
  EXPECT_EQ(balloons[balloons.size() - 2], "Warning|Backup at 10:00 was missed.");
  EXPECT_EQ(balloons.back(), kCreated);
  EXPECT_TRUE(WaitUntil([&] { return NextTime() == "10:10"; })) << "next time: " << NextTime();

  PumpMessages(8000);
  EXPECT_EQ(History().size(), 1u) << "made up once";
  EXPECT_EQ(HistoryOf("missed").size(), 2u);
  ASSERT_TRUE(clock.SetTimeOfDay(10, 9, 52));
  ASSERT_TRUE(WaitForRuns(2, kRunWaitMs)) << "no backup at 10:10";
  runs = History();
  EXPECT_TRUE(Has(runs[1], "\tscheduled\t")) << runs[1];
  EXPECT_EQ(StartTimeOf(runs[1]).substr(0, 5), "10:10") << runs[1];
  EXPECT_EQ(HistoryOf("missed").size(), 2u);
  EXPECT_TRUE(program->Running());
}

// A resume from sleep, as the power broadcast tells it (Wine cannot sleep): the times slept through
// are looked at 60 seconds later, when the network is back, and made up then.
TEST_F(FakedClockTest, AResumeFromSleepIsReportedSixtySecondsLaterAndMadeUp) {
  WriteSettings({"10:00", "10:30"}, archiver_);
  ASSERT_TRUE(clock.SetTimeOfDay(9, 58, 0));
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  ASSERT_TRUE(::PostMessageA(form, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0));
  const ULONGLONG resumed = ::GetTickCount64();
  ASSERT_TRUE(clock.SetTimeOfDay(10, 5, 0));  // the time slept through
  while (::GetTickCount64() - resumed < 50000) {
    PumpMessages(1000);
    ASSERT_EQ(HistoryOf("missed").size(), 1u) << "looked at before the network had its minute";
  }
  ASSERT_TRUE(WaitForRuns(1, 40000)) << "no make-up run after the resume";
  EXPECT_GE(::GetTickCount64() - resumed, 59000u);
  const auto missed = HistoryOf("missed");
  ASSERT_EQ(missed.size(), 2u);
  EXPECT_TRUE(Has(missed[1], "\tcause=asleep\tcount=1\ttimes=")) << missed[1];
  EXPECT_TRUE(Has(History()[0], "\tmakeup\t")) << History()[0];
  EXPECT_TRUE(WaitUntil([&] { return NextTime() == "10:30"; })) << "next time: " << NextTime();
  PumpMessages(5000);
  EXPECT_EQ(History().size(), 1u);
}

// A run that takes longer than the gap to the next time: the server answers after 70 seconds, so
// the 10:00 run ends in 10:01 and arms 11:00; 10:01 is reported and made up.
TEST_F(FakedClockTest, ARunLongerThanTheGapToTheNextTimeIsFollowedByOneMakeUp) {
  WriteSettings({"10:00", "10:01", "11:00"}, archiver_);
  SetServerMode("slow=70");
  ASSERT_TRUE(clock.SetTimeOfDay(9, 59, 45));
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  EXPECT_EQ(NextTime(), "10:00");
  PumpMessages(30000);  // the 10:00 run has asked the server by now
  SetServerMode("none");
  ASSERT_TRUE(WaitForRuns(2, 150000)) << "no run and make-up";
  const auto runs = History();
  EXPECT_TRUE(Has(runs[0], "\tscheduled\t")) << runs[0];
  EXPECT_EQ(StartTimeOf(runs[0]).substr(0, 5), "10:00") << runs[0];
  EXPECT_TRUE(Has(runs[1], "\tmakeup\t")) << runs[1];
  EXPECT_TRUE(EndsOk(runs[0]) && EndsOk(runs[1]));
  const auto missed = HistoryOf("missed");
  ASSERT_EQ(missed.size(), 2u);
  EXPECT_TRUE(Has(missed[1], "\tcause=busy\tcount=1\ttimes=")) << missed[1];
  EXPECT_TRUE(Has(missed[1], " 10:01\tmakeup=yes")) << missed[1];
  EXPECT_EQ(NextTime(), "11:00");
  PumpMessages(5000);
  EXPECT_EQ(History().size(), 2u);
}

// Stopped before 10:00 and started again at 10:05: 10:00 is reported and made up; a third start
// reports nothing again.
TEST_F(FakedClockTest, AStartAfterTheProgramWasStoppedAcrossATimeReportsItOnce) {
  WriteSettings({"10:00", "12:00"}, archiver_);
  ASSERT_TRUE(clock.SetTimeOfDay(9, 58, 0));
  auto exitProgram = [this] {
    PostTrayMouse(WM_RBUTTONUP);
    HWND menu = WaitForProcessWindow(pid, "#32768", nullptr, true);
    ASSERT_NE(menu, nullptr) << "no popup menu";
    ::PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);  // the last item, "Exit"
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(program->WaitForExit(20000)) << "Exit did not end the program";
  };
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  ASSERT_NO_FATAL_FAILURE(exitProgram());
  ASSERT_TRUE(clock.SetTimeOfDay(10, 5, 0));
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  ASSERT_TRUE(WaitForRuns(1, kRunWaitMs)) << "no make-up run at the start";
  auto missed = HistoryOf("missed");
  ASSERT_EQ(missed.size(), 2u);
  EXPECT_TRUE(Has(missed[1], "\tcause=not running\tcount=1\ttimes=")) << missed[1];
  EXPECT_TRUE(Has(missed[1], " 10:00\tmakeup=yes")) << missed[1];
  EXPECT_TRUE(Has(History()[0], "\tmakeup\t")) << History()[0];
  EXPECT_EQ(NextTime(), "12:00");
  const auto balloons = Balloons();
  EXPECT_NE(std::find(balloons.begin(), balloons.end(), "Warning|Backup at 10:00 was missed."), balloons.end());

  ASSERT_NO_FATAL_FAILURE(exitProgram());
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  PumpMessages(5000);
  EXPECT_EQ(HistoryOf("missed").size(), 2u) << "reported once";
  EXPECT_EQ(History().size(), 1u) << "made up once";
}

// Daylight saving time, with the program in the time zone of Berlin (TZ) and its clock running thirty
// times as fast. On 28 March 2027 the clocks go from 02:00 to 03:00: 02:30 never comes, and is
// reported (as a jump of the clock) and made up once.
TEST_F(FakedClockTest, SpringForwardSkipsTheTimeInTheMissingHourWhichIsReportedAndMadeUpOnce) {
  if (std::getenv("TZ") == nullptr || std::string(std::getenv("TZ")) != "Europe/Berlin") {
    GTEST_SKIP() << "runs from its own ctest entry, with TZ=Europe/Berlin";
  }
  WriteSettings({"02:30", "12:00"}, archiver_);
  clock.StartNextProgramAtUtc(1806195000LL, 30);  // 2027-03-28 00:50:00 UTC, 01:50 in Berlin
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  EXPECT_EQ(NextTime(), "02:30");
  ASSERT_TRUE(WaitForRuns(1, 60000)) << "no make-up run after the missing hour";
  const auto missed = HistoryOf("missed");
  ASSERT_EQ(missed.size(), 2u);
  EXPECT_TRUE(Has(missed[1], "\tcause=clock\tcount=1\ttimes=2027-03-28 02:30\tmakeup=yes")) << missed[1];
  EXPECT_EQ(DateOf(missed[1]), "2027-03-28");
  EXPECT_GE(StartTimeOf(missed[1]), "03:00:00") << missed[1];
  EXPECT_TRUE(Has(History()[0], "\tmakeup\t")) << History()[0];
  EXPECT_TRUE(WaitUntil([&] { return NextTime() == "12:00"; })) << "next time: " << NextTime();
  PumpMessages(10000);  // five more minutes of the program's clock
  EXPECT_EQ(History().size(), 1u) << "made up once";
  EXPECT_EQ(HistoryOf("missed").size(), 2u);
}

// On 31 October 2027 the clocks go back from 03:00 to 02:00, and 02:30 comes twice. With 02:30 the
// only time, the schedule arms it again after its run and the clock's alarm arms itself again when
// the clock goes back: it runs twice, once in summer time and once an hour later in winter time.
// Nothing is reported missed.
TEST_F(FakedClockTest, OnTheAutumnDayTheOnlyTimeInTheRepeatedHourRunsTwice) {
  if (std::getenv("TZ") == nullptr || std::string(std::getenv("TZ")) != "Europe/Berlin") {
    GTEST_SKIP() << "runs from its own ctest entry, with TZ=Europe/Berlin";
  }
  WriteSettings({"02:30"}, archiver_);
  // 2027-10-30 23:45:00 UTC, 01:45 summer time in Berlin: the start-up check (ten seconds or more on
  // a loaded machine, five minutes and more of the program's clock) is over well before 02:30.
  clock.StartNextProgramAtUtc(1824939900LL, 30);
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  EXPECT_EQ(NextTime(), "02:30");
  EXPECT_EQ(HistoryOf("missed").at(0).substr(11, 2), "01") << "started before 02:00 summer time";
  ASSERT_TRUE(WaitForRuns(1, 150000)) << "no backup at 02:30 summer time";
  const ULONGLONG first = ::GetTickCount64();
  ASSERT_TRUE(WaitForRuns(2, 240000)) << "02:30 did not run again in winter time";
  const auto runs = History();
  for (const std::string& line : runs) {
    EXPECT_TRUE(Has(line, "\tscheduled\t")) << line;
    EXPECT_EQ(DateOf(line), "2027-10-31") << line;
    EXPECT_EQ(StartTimeOf(line).substr(0, 5), "02:30") << line;
  }
  // An hour of the program's clock between them: two minutes at thirty times the speed.
  EXPECT_GE(::GetTickCount64() - first, 100000u);
  EXPECT_EQ(HistoryOf("missed").size(), 1u) << "only the first start's line";
  PumpMessages(5000);
  EXPECT_EQ(History().size(), 2u);
}

// Twelve entries, every two hours, and a program whose clock runs sixty times as fast from 00:50:
// a whole day in about twenty-two minutes. Each entry runs once, in order, on one day.
TEST_F(FakedClockTest, ADayOfTwelveEntriesRunsEachOnce) {
  std::vector<std::string> times;
  for (int hour = 1; hour < 24; hour += 2) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:00", hour);
    times.emplace_back(text);
  }
  WriteSettings(times, archiver_);
  clock.StartNextProgramAt(0, 50, 60);
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  EXPECT_EQ(NextTime(), "01:00");
  ASSERT_TRUE(WaitForRuns(12, 26 * 60000)) << History().size() << " of 12 ran";
  PumpMessages(20000);  // twenty minutes of the program's day: nothing else runs before 01:00
  const auto lines = History();
  ASSERT_EQ(lines.size(), 12u) << lines.back();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(StartTimeOf(lines[i]).substr(0, 5), times[i]) << lines[i];
    EXPECT_EQ(DateOf(lines[i]), DateOf(lines[0])) << lines[i];
    EXPECT_TRUE(EndsOk(lines[i])) << lines[i];
  }
  EXPECT_EQ(NextTime(), "01:00");
  EXPECT_TRUE(program->Running());
}

// --- Web notifications, to the receiver of tools/notify_receiver ------------------------------------

#ifdef DW_NOTIFY_WORK_DIR
std::string ReceiverWork() { return WindowsPath(DW_NOTIFY_WORK_DIR); }
#else
std::string ReceiverWork() { return {}; }
#endif

std::string ReceiverBase() {
  std::ifstream file(ReceiverWork() + "\\port");
  std::string port;
  file >> port;
  return port.empty() ? std::string() : "http://127.0.0.1:" + port;
}

// The bodies the receiver got at that path, in arrival order.
std::vector<std::map<std::string, testing_support::JsonValue>> BodiesAt(const std::string& path) {
  std::vector<std::map<std::string, testing_support::JsonValue>> bodies;
  const std::string log = ReadBytes(ReceiverWork() + "\\requests.jsonl");
  std::size_t start = 0;
  for (std::size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
    const auto record = testing_support::JsonReader::ReadObject(log.substr(start, end - start));
    if (record && record->at("path").text == path) {
      const auto body = testing_support::JsonReader::ReadObject(record->at("body").text);
      EXPECT_TRUE(body) << record->at("body").text;
      EXPECT_EQ(record->at("content_type").text, "application/json; charset=utf-8");
      if (body) {
        bodies.push_back(*body);
      }
    }
  }
  return bodies;
}

class NotifyClockTest : public FakedClockTest {
 protected:
  void SetUp() override {
    FakedClockTest::SetUp();
    if (IsSkipped()) {
      return;
    }
    base_ = ReceiverBase();
    if (base_.empty()) {
      GTEST_SKIP() << "the notification receiver is not running";
    }
    // A path of this run's own, so that an earlier run's requests do not count.
    unique_ = std::to_string(::GetTickCount64());
  }
  // Bak_Info.ini as WriteSettings writes it, with the [notify] section the settings dialog adds.
  void WriteSettingsWithUrls(const std::vector<std::string>& times, const std::string& successUrl,
                             const std::string& failureUrl) const {
    WriteSettings(times, archiver_);
    const std::string file = folder.File("Bak_Info\\Bak_Info.ini");
    WriteBytes(file, ReadBytes(file) + "[notify]\r\nSuccessUrl=" + successUrl + "\r\nFailureUrl=" + failureUrl + "\r\n");
  }
  std::string Path(const std::string& mode, const std::string& name) const {
    return "/" + mode + "/" + name + "-" + unique_;
  }

  std::string base_;
  std::string unique_;
};

// Scheduled runs at consecutive minutes, each with a notification: to SuccessUrl after a full
// success, to FailureUrl after an archiver failure and a server error; then a receiver that answers
// 500 before 200, one that is down, one that hangs, and an address that is not http. Each run's line
// tells how its notification ended, and every next backup happens at its minute.
TEST_F(NotifyClockTest, EveryOutcomeIsSentAndNoReceiverDelaysTheNextBackup) {
  const std::vector<std::string> times{"10:00", "10:01", "10:02", "10:03", "10:04", "10:05", "10:06", "10:07", "10:30"};
  struct Step {
    const char* serverMode;
    const char* archiverMode;
    std::string successUrl;
    std::string failureUrl;
    const char* notify;   // the line's notify= field, from its start
    const char* outcome;  // in the body; nullptr: nothing arrives at the receiver
    const char* lineEnd;  // the line's outcome, from its start
  };
  const std::string ok = Path("ok", "success");
  const std::string failed = Path("ok", "failure");
  const std::string flaky = Path("flaky", "retry");
  const std::string hang = Path("hang", "slow");
  const Step steps[] = {
      {"none", "ok", base_ + ok, base_ + failed, "notify=sent 200\t", "ok", "ok"},
      {"none", "crash", base_ + ok, base_ + failed, "notify=sent 200\t", "warning", "warning: "},
      {"proc-error", "ok", base_ + ok, base_ + failed, "notify=sent 200\t", "error", "error: "},
      {"none", "ok", base_ + flaky, base_ + failed, "notify=sent 200 after 2 attempts, 5 s\t", "ok", "ok"},
      {"none", "ok", "http://127.0.0.1:9/down", base_ + failed, "notify=failed ", nullptr, "ok"},
      {"none", "ok", base_ + hang, base_ + failed, "notify=failed timed out after 1 attempt, 20 s\t", "ok", "ok"},
      {"none", "ok", base_ + ok, base_ + failed, "notify=sent 200\t", "ok", "ok"},
      {"none", "ok", "ftp://127.0.0.1/ok", base_ + failed, "notify=failed not sent, SuccessUrl: ", nullptr, "ok"},
  };
  WriteSettingsWithUrls(times, steps[0].successUrl, steps[0].failureUrl);
  ASSERT_TRUE(clock.SetTimeOfDay(9, 59, 20));
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  std::size_t okBodies = 0;
  std::size_t failureBodies = 0;
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const Step& step = steps[i];
    SCOPED_TRACE("step " + std::to_string(i) + " at " + times[i]);
    SetServerMode(step.serverMode);
    SetArchiverMode(step.archiverMode);
    WriteSettingsWithUrls(times, step.successUrl, step.failureUrl);
    EXPECT_EQ(NextTime(), times[i]);
    ASSERT_TRUE(clock.SetTimeOfDay(9 + (i == 0 ? 0 : 1), i == 0 ? 59 : static_cast<int>(i) - 1, 54));
    // The run ends (balloon, next time armed) before its notification does; its line comes after.
    ASSERT_TRUE(WaitUntil([&] { return NextTime() == times[i + 1]; }, kRunWaitMs)) << "no backup at " << times[i];
    if (step.successUrl == base_ + hang) {
      EXPECT_EQ(History().size(), i) << "the hanging receiver holds the line, not the run";
    }
    ASSERT_TRUE(WaitForRuns(i + 1, kRunWaitMs)) << "no history line for " << times[i];
    const std::string line = History().back();
    EXPECT_EQ(StartTimeOf(line).substr(0, 5), times[i]) << "on time: " << line;
    const std::size_t notify = line.find("\tnotify=");
    ASSERT_NE(notify, std::string::npos) << line;
    EXPECT_EQ(line.compare(notify + 1, std::strlen(step.notify), step.notify), 0) << line;
    EXPECT_NE(line.find(std::string("\t") + step.lineEnd, notify), std::string::npos) << line;
    EXPECT_EQ(line.find(unique_), std::string::npos) << "the path is masked: " << line;
    const std::size_t total = line.find("\ttotal_ms=");
    EXPECT_LT(std::stoll(line.substr(total + 10)), 15000) << "the run's own time holds no notification: " << line;
    if (step.outcome != nullptr) {
      const bool success = std::string(step.outcome) == "ok";
      const std::string path = success ? step.successUrl.substr(base_.size()) : failed;
      const auto bodies = BodiesAt(path);
      const std::size_t seen = success && path == ok ? ++okBodies : !success ? ++failureBodies : 0;
      ASSERT_FALSE(bodies.empty()) << path;
      if (seen > 0) {
        EXPECT_EQ(bodies.size(), seen) << path;
      }
      const auto& body = bodies.back();
      EXPECT_EQ(body.at("outcome").text, step.outcome);
      EXPECT_EQ(body.at("kind").text, "scheduled");
      EXPECT_EQ(body.at("database").text, "QEL");
      EXPECT_EQ(body.at("started").text.substr(11, 5), times[i]);
      EXPECT_EQ(body.at("text").text.find(body.at("computer").text + ": "), 0u) << body.at("text").text;
      EXPECT_EQ(body.at("error").kind == testing_support::JsonValue::Kind::kNull, success);
    }
  }
  EXPECT_EQ(BodiesAt(flaky).size(), 2u) << "one retry";
  EXPECT_EQ(BodiesAt(hang).size(), 1u);
  SetServerMode("none");
  EXPECT_TRUE(program->Running());
}

// The clock set forward over a time: the missed time is posted to FailureUrl (outcome missed, no
// file) and its history line tells how that went; the make-up run that follows posts to SuccessUrl
// with kind makeup. The next time stays armed.
TEST_F(NotifyClockTest, AMissedTimeIsPostedToTheFailureAddressAndItsMakeUpToTheSuccessAddress) {
  const std::string ok = Path("ok", "makeup");
  const std::string failed = Path("ok", "missed");
  WriteSettingsWithUrls({"10:00", "10:10"}, base_ + ok, base_ + failed);
  ASSERT_TRUE(clock.SetTimeOfDay(9, 58, 0));
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  EXPECT_EQ(NextTime(), "10:00");
  ASSERT_TRUE(clock.SetTimeOfDay(10, 5, 0));
  ASSERT_TRUE(WaitForRuns(1, kRunWaitMs)) << "no make-up run";
  ASSERT_TRUE(WaitUntil([&] { return HistoryOf("missed").size() == 2; }, 30000)) << "no missed line";
  const std::string missed = HistoryOf("missed")[1];
  EXPECT_TRUE(Has(missed, "\tcause=clock\tcount=1\ttimes=")) << missed;
  EXPECT_TRUE(Has(missed, " 10:00\tmakeup=yes\tnotify_to=http://127.0.0.1:")) << missed;
  EXPECT_TRUE(Has(missed, "/***\tnotify=sent 200")) << missed;
  EXPECT_EQ(missed.find(unique_), std::string::npos) << "the path is masked: " << missed;
  EXPECT_TRUE(Has(HistoryOf("missed")[0], "\tcount=0\t")) << "the first start posts nothing";

  const auto missedBodies = BodiesAt(failed);
  ASSERT_EQ(missedBodies.size(), 1u) << "one POST for the one report";
  const auto& body = missedBodies[0];
  EXPECT_EQ(body.at("outcome").text, "missed");
  EXPECT_EQ(body.at("kind").text, "scheduled");
  EXPECT_EQ(body.at("database").text, "QEL");
  EXPECT_EQ(body.at("file").kind, testing_support::JsonValue::Kind::kNull);
  EXPECT_EQ(body.at("text").text, body.at("computer").text + ": Backup at 10:00 was missed.");
  EXPECT_NE(body.at("error").text.find("(cause: clock): "), std::string::npos) << body.at("error").text;
  EXPECT_NE(body.at("error").text.find(" 10:00. One make-up run follows."), std::string::npos)
      << body.at("error").text;
  EXPECT_EQ(body.at("started").text.substr(11, 5), "10:05");

  const std::string run = History()[0];
  EXPECT_TRUE(Has(run, "\tmakeup\t")) << run;
  EXPECT_TRUE(Has(run, "\tnotify=sent 200\t")) << run;
  const auto makeUpBodies = BodiesAt(ok);
  ASSERT_EQ(makeUpBodies.size(), 1u);
  EXPECT_EQ(makeUpBodies[0].at("kind").text, "makeup");
  EXPECT_EQ(makeUpBodies[0].at("outcome").text, "ok");
  EXPECT_EQ(makeUpBodies[0].at("error").kind, testing_support::JsonValue::Kind::kNull);
  EXPECT_TRUE(WaitUntil([&] { return NextTime() == "10:10"; })) << "next time: " << NextTime();
  EXPECT_EQ(BodiesAt(failed).size(), 1u) << "reported once";
  EXPECT_TRUE(program->Running());
}

// A notification still waiting for a hanging receiver when the operator chooses Exit: the program
// ends at once, and the run's line says the notification was abandoned.
TEST_F(NotifyClockTest, ExitDoesNotWaitForAHangingReceiver) {
  const std::string hang = Path("hang", "exit");
  WriteSettingsWithUrls({"10:00", "10:30"}, base_ + hang, "");
  ASSERT_TRUE(clock.SetTimeOfDay(9, 59, 20));
  ASSERT_NO_FATAL_FAILURE(StartConnected());
  ASSERT_TRUE(clock.SetTimeOfDay(9, 59, 54));
  ASSERT_TRUE(WaitUntil([&] { return NextTime() == "10:30"; }, kRunWaitMs)) << "no backup at 10:00";
  ASSERT_TRUE(WaitUntil([&] { return BodiesAt(hang).size() == 1; })) << "the notification never started";
  const ULONGLONG exitAt = ::GetTickCount64();
  ::PostMessageA(form, WM_COMMAND, app::win32::kExitMCommand, 0);
  ASSERT_TRUE(program->WaitForExit(10000)) << "the program waited for the receiver";
  EXPECT_LT(::GetTickCount64() - exitAt, 10000u);
  const auto lines = History();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("\tnotify=failed abandoned"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("\tok"), std::string::npos) << lines[0];
}

// Old archives cleaned up over faked days with KeepDays 2 and KeepCount 2, one scheduled backup a day
// at varying times, so that no two runs are exactly two days apart; checked on disk after each run.
// Files the program did not make (a foreign archive, one that looks like its own copy), an archive
// renamed by hand and a copy replaced by hand are never removed, and a run whose second copy fails
// removes nothing.
TEST_F(FakedClockTest, OldArchivesCleanedUpOverFakedDays) {
  const std::string mirror1 = copies_[0];
  const std::string mirror2 = copies_[1];
  WriteBytes(bakDir_ + "\\foreign.rar", "someone else's");
  WriteBytes(mirror1 + "Copy of QEL_20000101_000000.rar", "looks like the program's own");
  auto settingsFor = [&](const std::string& time) {
    WriteSettings({time}, archiver_);
    std::string text = ReadBytes(folder.File("Bak_Info\\Bak_Info.ini"));
    // The clock jumps a day ahead between runs: the times it passes over are reported missed, and
    // with MakeUp off no make-up run adds archives this test does not count.
    text.insert(text.find("[copy]"), "KeepDays=2\r\nKeepCount=2\r\nMakeUp=0\r\n");
    WriteBytes(folder.File("Bak_Info\\Bak_Info.ini"), text);
  };
  auto runLines = [&] {
    std::vector<std::string> lines;
    for (const std::string& line : History()) {
      if (line.find("\tclean-up\t") == std::string::npos) {
        lines.push_back(line);
      }
    }
    return lines;
  };
  auto cleanupLines = [&](const std::string& what) {
    std::vector<std::string> paths;
    for (const std::string& line : History()) {
      const std::string mark = "\tclean-up\t" + what + "\t";
      const auto at = line.find(mark);
      if (at != std::string::npos) {
        const std::string rest = line.substr(at + mark.size());
        paths.push_back(rest.substr(0, rest.find('\t')));
      }
    }
    return paths;
  };
  auto sorted = [](std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
  };
  // Moves the clock forward in steps of at most eleven hours (FakedClock moves to the nearest time of
  // day) to `days` days after today at h:m:s.
  auto moveForward = [&](int days, int h, int m, int s) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const long long from = now.wHour * 3600LL + now.wMinute * 60 + now.wSecond;
    long long left = days * 86400LL + (h * 3600LL + m * 60 + s) - from;
    long long at = from;
    while (left > 0) {
      const long long step = std::min<long long>(left, 11 * 3600);
      at = (at + step) % 86400;
      left -= step;
      if (!clock.SetTimeOfDay(static_cast<int>(at / 3600), static_cast<int>(at / 60 % 60), static_cast<int>(at % 60))) {
        return false;
      }
    }
    return true;
  };
  std::vector<std::string> archives;  // each run's archive name, in order
  // The next run at `time` on the day `days` after today: the clock goes on to 22:00 first (past
  // today's times), the schedule is refreshed, then the clock goes to ten seconds before the time.
  auto runAt = [&](int days, const std::string& time) {
    const std::vector<std::string> before = FilesIn(bakDir_, "QEL_*.rar");
    const std::size_t runsBefore = runLines().size();
    if (!archives.empty()) {
      EXPECT_TRUE(clock.SetTimeOfDay(22, 0, 0));
      settingsFor(time);
      ::PostMessageA(Control(kRefreshBtnId), BM_CLICK, 0, 0);
      EXPECT_TRUE(WaitUntil([&] { return NextTime() == time; })) << NextTime();
      const int h = std::stoi(time.substr(0, 2));
      const int m = std::stoi(time.substr(3, 2));
      EXPECT_TRUE(moveForward(days, h - (m == 0 ? 1 : 0), (m + 59) % 60, 50));
    }
    if (!WaitUntil([&] { return runLines().size() > runsBefore; }, kRunWaitMs)) {
      return false;
    }
    for (const std::string& name : FilesIn(bakDir_, "QEL_*.rar")) {
      if (std::find(before.begin(), before.end(), name) == before.end()) {
        archives.push_back(name);
      }
    }
    return true;
  };
  auto copyOf = [&](int run) { return "Copy of " + archives.at(run - 1); };
  const std::string foreignCopy = "Copy of QEL_20000101_000000.rar";

  settingsFor("10:00");
  ASSERT_TRUE(clock.SetTimeOfDay(9, 59, 35));
  ASSERT_NO_FATAL_FAILURE(StartConnected(true));  // dumpwarden.exe itself
  ASSERT_TRUE(runAt(0, "10:00")) << "run 1";
  ASSERT_EQ(archives.size(), 1u);
  ASSERT_TRUE(runAt(1, "10:00")) << "run 2";
  ASSERT_EQ(archives.size(), 2u);
  EXPECT_EQ(sorted(FilesIn(bakDir_, "*.rar")), sorted({archives[0], archives[1], "foreign.rar"}));
  EXPECT_EQ(sorted(FilesIn(mirror1, "*.rar")), sorted({copyOf(1), copyOf(2), foreignCopy}));
  EXPECT_TRUE(cleanupLines("removed").empty());

  // Someone renames the first archive and replaces the first copy in Mirror2 with another file.
  ASSERT_TRUE(::MoveFileA((bakDir_ + "\\" + archives[0]).c_str(), (bakDir_ + "\\kept by hand.rar").c_str()));
  WriteBytes(mirror2 + copyOf(1), "replaced by hand");

  // Run 3, two days and six hours after run 1: of run 1's files only the copy in Mirror1 is the
  // program's still; it goes.
  ASSERT_TRUE(runAt(1, "16:00")) << "run 3";
  EXPECT_EQ(sorted(FilesIn(bakDir_, "*.rar")), sorted({"kept by hand.rar", archives[1], archives[2], "foreign.rar"}));
  EXPECT_EQ(sorted(FilesIn(mirror1, "*.rar")), sorted({copyOf(2), copyOf(3), foreignCopy}));
  EXPECT_EQ(sorted(FilesIn(mirror2, "*.rar")), sorted({copyOf(1), copyOf(2), copyOf(3)}));
  EXPECT_EQ(ReadBytes(mirror2 + copyOf(1)), "replaced by hand");
  EXPECT_EQ(cleanupLines("removed"), std::vector<std::string>{mirror1 + copyOf(1)});
  EXPECT_EQ(cleanupLines("left alone"), std::vector<std::string>{mirror2 + copyOf(1)});

  // Run 4, a day later, with a second copy folder that does not exist: nothing is removed, although
  // run 2's files are now older than two days.
  copies_[1] = folder.File("NoSuchFolder\\");
  ASSERT_TRUE(runAt(1, "16:00")) << "run 4";
  EXPECT_NE(runLines().back().find("\tcopies=1/2\t"), std::string::npos) << runLines().back();
  EXPECT_EQ(sorted(FilesIn(bakDir_, "*.rar")),
            sorted({"kept by hand.rar", archives[1], archives[2], archives[3], "foreign.rar"}));
  EXPECT_EQ(sorted(FilesIn(mirror1, "*.rar")), sorted({copyOf(2), copyOf(3), copyOf(4), foreignCopy}));
  EXPECT_EQ(cleanupLines("removed").size(), 1u);

  // Run 5, the next morning, with both copy folders again: run 2's files go (three days old); run 3's
  // (a day and eighteen hours) stay.
  copies_[1] = mirror2;
  ASSERT_TRUE(runAt(1, "10:00")) << "run 5";
  EXPECT_EQ(sorted(FilesIn(bakDir_, "*.rar")),
            sorted({"kept by hand.rar", archives[2], archives[3], archives[4], "foreign.rar"}));
  EXPECT_EQ(sorted(FilesIn(mirror1, "*.rar")), sorted({copyOf(3), copyOf(4), copyOf(5), foreignCopy}));
  EXPECT_EQ(sorted(FilesIn(mirror2, "*.rar")), sorted({copyOf(1), copyOf(3), copyOf(5)}));

  // Run 6, four days later: everything else is old, but the two newest of each folder stay.
  ASSERT_TRUE(runAt(4, "10:00")) << "run 6";
  EXPECT_EQ(sorted(FilesIn(bakDir_, "*.rar")), sorted({"kept by hand.rar", archives[4], archives[5], "foreign.rar"}));
  EXPECT_EQ(sorted(FilesIn(mirror1, "*.rar")), sorted({copyOf(5), copyOf(6), foreignCopy}));
  EXPECT_EQ(sorted(FilesIn(mirror2, "*.rar")), sorted({copyOf(1), copyOf(5), copyOf(6)}));
  EXPECT_EQ(ReadBytes(bakDir_ + "\\foreign.rar"), "someone else's");
  EXPECT_TRUE(cleanupLines("not removed").empty());
  const auto lines = runLines();
  ASSERT_EQ(lines.size(), 6u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(EndsOk(lines[i]), i != 3) << lines[i];
  }
  EXPECT_TRUE(program->Running());
}

}  // namespace
