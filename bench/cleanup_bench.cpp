// One backup run with the clean-up of old archives over a record of many files, the server and the
// archiver replaced by plain file copies (their time is measured and left out), everything else the
// program's own code on the real file system: the settings snapshot, the copies, the record read,
// the files the choice turns on looked at, the removals and the record written in one step.
//   dw_cleanup_bench prepare <folder> [archives]   lays out the folders and a record of `archives`
//                                                  files (default 10,000) over three folders
//   dw_cleanup_bench run <folder> [runs]            runs `runs` backups (default 10) and prints each
//                                                  run's phases, its own overhead and the peak memory
//   dw_cleanup_bench parts <folder>                 times the record's reading, parsing, formatting
//                                                  and writing
// "prepare" and "run" are separate processes so that the peak memory is the run's alone. In the
// steady state each run adds three files and removes the three of the oldest run.
#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "backup/backup_run.h"
#include "backup/history_log.h"
#include "backup/made_files_record.h"
#include "backup/system_services.h"
#include "platform/files.h"
#include "settings/ini_file.h"

namespace {

constexpr std::int64_t kRunSpacingSeconds = 8 * 3600;  // three backups a day
constexpr std::int64_t kFirstRunSeconds = 2 * 3600;  // 2023-01-01 02:00:00

// The first run's time plus `seconds`, on the calendar.
platform::LocalDateTime After(std::int64_t seconds) {
  seconds += kFirstRunSeconds;
  std::int64_t days = seconds / 86400;
  const std::int64_t rest = seconds % 86400;
  platform::LocalDateTime t{2023, 1, 1, 0, 0, 0, 0};
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  auto monthDays = [](int year, int month) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
  };
  while (days-- > 0) {
    if (++t.day > monthDays(t.year, t.month)) {
      t.day = 1;
      if (++t.month > 12) {
        t.month = 1;
        ++t.year;
      }
    }
  }
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

void MakeFolder(std::string path) {
#ifdef _WIN32
  ::CreateDirectoryA(path.c_str(), nullptr);
#else
  for (char& c : path) {
    if (c == '\\') {
      c = '/';
    }
  }
  ::mkdir(path.c_str(), 0755);
#endif
}

std::string Name(int run) { return "QEL_" + std::to_string(100000 + run); }

struct Layout {
  std::string root, archiver, bakInfo, settings, bakDir, mirror1, mirror2;
  explicit Layout(const std::string& folder)
      : root(folder),
        archiver(folder + "\\rar.exe"),
        bakInfo(folder + "\\Bak_Info"),
        settings(folder + "\\Bak_Info\\Bak_Info.ini"),
        bakDir(folder + "\\BakDir"),
        mirror1(folder + "\\Mirror1\\"),
        mirror2(folder + "\\Mirror2\\") {}
};

// The program's services, the server and the archiver as plain copies of a small file.
class BenchWorld final : public backup::RunDatabase,
                         public backup::RunArchiver,
                         public backup::RunNotifier,
                         public backup::RunWindow,
                         public backup::RunSchedule,
                         public backup::RunGate,
                         public backup::RunClock {
 public:
  BenchWorld(const Layout& layout, int run) : layout_(layout), run_(run) {}
  bool Connected() const override { return true; }
  void Connect() override {}
  std::string DatabaseName() const override { return "QEL"; }
  std::string CreateBakFile(const std::string&, const std::string& toDir) override {
    platform::ReplaceFileAtomically(toDir + "\\" + Name(run_) + ".bak", std::string(64 * 1024, 'b'));
    return Name(run_) + ".bak";
  }
  void Close() noexcept override {}
  std::optional<std::uint32_t> Pack(const std::string& archiveName, const std::string& source,
                                    const std::string& directory, const std::string&) override {
    return platform::CopyFileOverwrite(source, directory + "\\" + archiveName) ? std::optional<std::uint32_t>(0u)
                                                                                : std::optional<std::uint32_t>(1u);
  }
  std::optional<std::uint32_t> Test(const std::string&, const std::string&, const std::string&) override { return 0u; }
  void ShowBalloon(const backup::Balloon&) override {}
  void MinimizeApp() override {}
  void RestoreApp() override {}
  void ProcessMessages() override {}
  std::string BakDir() const override { return layout_.bakDir; }
  std::string SettingsPath() const override { return layout_.settings; }
  void SwitchAlarmOff() override {}
  void SwitchAlarmOn() override {}
  void ArmNext() override {}
  bool TryBegin() override { return true; }
  void End() noexcept override {}
  std::int64_t MonotonicMs() const override { return system_.MonotonicMs(); }
  // The run's time on the calendar of the record: a few minutes after its backup time.
  platform::LocalDateTime LocalNow() const override { return After(run_ * kRunSpacingSeconds + 120); }

 private:
  const Layout& layout_;
  int run_;
  backup::SystemRunClock system_;
};

double PeakMemoryMiB() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.PeakWorkingSetSize) / 1048576.0;
#else
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
}

int Prepare(const Layout& layout, int archives) {
  for (const std::string& dir : {layout.root, layout.bakInfo, layout.bakDir, layout.mirror1, layout.mirror2}) {
    MakeFolder(dir);
  }
  platform::ReplaceFileAtomically(layout.archiver, "the archiver stands in for itself");
  const int runs = (archives + 2) / 3;
  // KeepDays just below the age of the oldest run: each run removes the oldest run's three files.
  const long long oldestAgeDays = static_cast<long long>(runs) * kRunSpacingSeconds / 86400;
  settings::IniFile ini(layout.settings);
  ini.Update([&](settings::IniDocument& doc) {
    doc.Set("BAK", "TimeCount", "0");
    doc.Set("BAK", "BakDir", layout.bakDir);
    doc.Set("BAK", "RarProgram", layout.archiver);
    doc.Set("BAK", "KeepDays", std::to_string(oldestAgeDays));
    doc.Set("BAK", "KeepCount", "3");
    doc.Set("copy", "count", "2");
    doc.Set("copy", "Copy1", layout.mirror1);
    doc.Set("copy", "Copy2", layout.mirror2);
  });
  std::vector<backup::MadeFile> record;
  const std::string content(512, 'r');
  int made = 0;
  for (int run = 0; run < runs && made < archives; ++run) {
    const std::string name = Name(run) + ".rar";
    const platform::LocalDateTime at = After(run * kRunSpacingSeconds + 60);
    for (const std::string& path :
         {layout.bakDir + "\\" + name, layout.mirror1 + "Copy of " + name, layout.mirror2 + "Copy of " + name}) {
      if (made++ < archives) {
        platform::ReplaceFileAtomically(path, content);
        record.push_back({path, content.size(), at, true});
      }
    }
  }
  platform::ReplaceFileAtomically(backup::MadeFilesPath(layout.settings), backup::FormatMadeFiles(record));
  std::printf("prepared %zu recorded files over three folders in %s; KeepDays=%lld, KeepCount=3, next run %d\n",
              record.size(), layout.root.c_str(), oldestAgeDays, runs);
  return 0;
}

int Run(const Layout& layout, int count) {
  const auto record = backup::ParseMadeFiles(
      platform::ReadFileBytes(backup::MadeFilesPath(layout.settings), backup::kMadeFilesRecordLimit).value_or(""));
  if (!record) {
    std::fprintf(stderr, "no record: run \"prepare\" first\n");
    return 1;
  }
  int next = 0;
  for (const backup::MadeFile& file : *record) {
    const std::string name = backup::NamePart(file.path);
    next = std::max(next, std::atoi(name.substr(name.find("QEL_") + 4).c_str()) - 100000 + 1);
  }
  const double startMiB = PeakMemoryMiB();
  backup::HistoryLog log(layout.bakInfo);
  backup::SystemFiles files;
  double overheadSum = 0;
  std::printf("run  recorded  total_ms  server_ms  archiver_ms  copies_ms  delete_ms  cleanup_ms  removals_ms  "
              "removed  overhead_ms\n");
  for (int i = 0; i < count; ++i) {
    BenchWorld world(layout, next + i);
    backup::BackupRun run({world, world, files, world, world, world, world, world, log});
    run.Run(backup::RunKind::kScheduled);
    const backup::RunRecord& r = run.LastRecord();
    const std::int64_t overhead =
        r.totalMs - r.serverMs - r.archiverMs - r.copiesMs - r.deleteMs - r.cleanup.deleteMs;
    overheadSum += static_cast<double>(overhead);
    std::printf("%3d  %8zu  %8lld  %9lld  %11lld  %9lld  %9lld  %10lld  %11lld  %7d  %11lld  %s\n", i + 1,
                record->size(), static_cast<long long>(r.totalMs), static_cast<long long>(r.serverMs),
                static_cast<long long>(r.archiverMs), static_cast<long long>(r.copiesMs),
                static_cast<long long>(r.deleteMs), static_cast<long long>(r.cleanupMs),
                static_cast<long long>(r.cleanup.deleteMs), r.cleanup.removed, static_cast<long long>(overhead),
                r.outcome == backup::RunOutcome::kOk ? "ok" : r.outcomeText.c_str());
  }
  std::printf("mean overhead of a run with clean-up: %.1f ms (target under 50 ms)\n", overheadSum / count);
  std::printf("peak memory: %.1f MiB (%.1f MiB before the first run)\n", PeakMemoryMiB(), startMiB);
  return 0;
}

// Where a clean-up's time goes: each of its file operations on its own, on the prepared folders.
int Parts(const Layout& layout) {
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
  };
  backup::SystemFiles files;
  const std::string path = backup::MadeFilesPath(layout.settings);
  auto t = Clock::now();
  const auto bytes = files.Read(path, backup::kMadeFilesRecordLimit);
  const double read = ms(t);
  t = Clock::now();
  const auto record = backup::ParseMadeFiles(bytes.value_or(""));
  const double parse = ms(t);
  if (!record) {
    std::fprintf(stderr, "no record: run \"prepare\" first\n");
    return 1;
  }
  t = Clock::now();
  const std::string text = backup::FormatMadeFiles(*record);
  const double format = ms(t);
  t = Clock::now();
  const bool written = files.Replace(path, text);
  const double write = ms(t);
  std::printf("record of %zu files, %zu bytes: read %.1f ms, parse %.1f ms, format %.1f ms, write in one step "
              "%.1f ms%s\n",
              record->size(), text.size(), read, parse, format, write, written ? "" : " (FAILED)");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dw_cleanup_bench prepare <folder> [archives] | run <folder> [runs]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const Layout layout(argv[2]);
  const int number = argc > 3 ? std::atoi(argv[3]) : 0;
  if (mode == "prepare") {
    return Prepare(layout, number > 0 ? number : 10000);
  }
  if (mode == "parts") {
    return Parts(layout);
  }
  if (mode == "run") {
    return Run(layout, number > 0 ? number : 10);
  }
  std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
  return 2;
}
