#pragma once
// Bak_Info.ini: backup times, backup directory, archiver and copy directories.
// Each reader applies its own defaults, as the schedule, the backup run and the dialog expect.
#include <string>
#include <vector>

#include "settings/ini_file.h"

namespace settings {

inline constexpr const char* kBakSection = "BAK";
inline constexpr const char* kCopySection = "copy";
inline constexpr const char* kNotifySection = "notify";

// Clean-up of old archives: KeepDays 0 keeps everything (so does a missing key or one that is not a
// number: files without the key behave as before it existed); KeepCount newest archives of each
// folder are always kept.
inline constexpr int kKeepEverything = 0;
inline constexpr int kDefaultKeepCount = 3;
// What the dialog accepts.
inline constexpr int kMaxKeepDays = 3650;
inline constexpr int kMaxKeepCount = 1000;

// The name of the n-th time key: "Time_1", "Time_2", ...
std::string TimeKey(int n);

// What the backup settings dialog edits.
struct BackupSettings {
  std::vector<std::string> times;     // as stored, in file order
  std::string bakDir;                 // the dialog shows it with a trailing backslash
  std::string rarProgram;
  std::string copyTo;                 // start folder of the copy chooser, never written back
  std::vector<std::string> copyDirs;  // each ending with a backslash
  int keepDays = kKeepEverything;     // clean-up of old archives; see ReadKeepDays
  int keepCount = kDefaultKeepCount;
  bool makeUp = true;                 // make up missed backups; see ReadMakeUp
  std::string successUrl;  // [notify]: web notifications; empty sends nothing
  std::string failureUrl;
};

// [notify] SuccessUrl and FailureUrl, as stored (default empty).
struct NotifyUrls {
  std::string successUrl;
  std::string failureUrl;
};

// The dialog's reading: times only while TimeCount exists and is non-zero, taking the Time_n keys that
// exist, empty values included; copy directories with a backslash appended where missing, empty
// copy entries left out.
BackupSettings LoadBackupSettings(const IniFile& ini);

// The dialog's saving, in this order: erase [BAK], TimeCount, Time_1..n, BakDir (one trailing backslash
// removed), [copy] count, Copy1..m, RarProgram, KeepDays, KeepCount, MakeUp, [notify] SuccessUrl, FailureUrl (the section is left
// out, and erased, when both are empty). [copy] is not erased. All of it is stored in one step:
// a refusal raises IniWriteError and leaves the file as it was.
void SaveBackupSettings(IniFile& ini, const BackupSettings& values);

// The schedule's readers.
int ReadTimeCount(const IniFile& ini);                 // default 0
std::string ReadBakDir(const IniFile& ini, const std::string& exeDir);  // default ExeDir + "\BakDir"
std::string ReadTimeEntry(const IniFile& ini, int n);  // default "00:00"

// The backup run's readers.
std::string ReadRarProgram(const IniFile& ini);        // default empty
// copy1..copyN with N = count (default 0); empty entries are skipped, the others used as they are.
std::vector<std::string> ReadCopyDirs(const IniFile& ini);
// KeepDays: 0 (keep everything) when missing, not a number, or below 0.
int ReadKeepDays(const IniFile& ini);
// KeepCount: 3 when missing or not a number; at least 1, so a hand-written 0 never leaves a folder
// without its newest archive.
int ReadKeepCount(const IniFile& ini);
NotifyUrls ReadNotifyUrls(const IniFile& ini);
// MakeUp: whether a missed backup time is made up with one backup run; only 0 turns it off (a
// missing key or one that is not a number leaves it on).
bool ReadMakeUp(const IniFile& ini);

// The schedule uses at most this many time entries (the dialog's limit).
inline constexpr int kMaxTimeCount = 255;

}  // namespace settings
