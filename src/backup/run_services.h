#pragma once
// What a backup run needs from the rest of the program, as small interfaces: the window code
// implements the ones that need windows, tests implement all of them.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/local_time.h"

namespace backup {

// The ways a run starts: the alarm of the schedule, the operator's "[bak]", or the program making up
// for backup times that were missed (a scheduled run that leaves the schedule where it is).
enum class RunKind { kScheduled, kImmediate, kMakeUp };

enum class BalloonIcon { kInfo, kWarning, kError };

struct Balloon {
  std::string title;
  std::string text;
  BalloonIcon icon = BalloonIcon::kInfo;
  std::uint8_t seconds = 10;
};

// The connection `ADOConnection` and the query `ADOQ_Bak`.
class RunDatabase {
 public:
  virtual ~RunDatabase() = default;
  [[nodiscard]] virtual bool Connected() const = 0;
  // The connection routine `Connect_DB`: may ask the operator; raises on an I/O error of its files.
  virtual void Connect() = 0;
  // The database name the connection routine read from Connect.ini.
  [[nodiscard]] virtual std::string DatabaseName() const = 0;
  // "EXECUTE CreateBakFile :DB, :ToDir"; column 0 of the first row as text. Raises every failure.
  virtual std::string CreateBakFile(const std::string& databaseName, const std::string& toDir) = 0;
  // Closes the connection and with it the query; never raises.
  virtual void Close() noexcept = 0;
};

// The archiver: packing (RunRar) and its own test; each gives the exit code, or nullopt when
// the archiver could not be started as a process.
class RunArchiver {
 public:
  virtual ~RunArchiver() = default;
  virtual std::optional<std::uint32_t> Pack(const std::string& archiveName, const std::string& sourcePath,
                                            const std::string& directory, const std::string& archiverPath) = 0;
  virtual std::optional<std::uint32_t> Test(const std::string& archivePath, const std::string& directory,
                                            const std::string& archiverPath) = 0;
};

class RunFiles {
 public:
  virtual ~RunFiles() = default;
  [[nodiscard]] virtual bool Exists(const std::string& path) const = 0;
  virtual bool Copy(const std::string& from, const std::string& to) = 0;  // overwrites the target
  virtual bool Delete(const std::string& path) = 0;
  [[nodiscard]] virtual std::optional<std::uint64_t> Size(const std::string& path) const = 0;
  // For the record of made files and its clean-up:
  // whether a folder can be reached (exists and is a folder);
  [[nodiscard]] virtual bool FolderExists(const std::string& folder) const = 0;
  // a whole small file; nullopt when missing, unreadable or larger than maxBytes;
  [[nodiscard]] virtual std::optional<std::string> Read(const std::string& path, std::uint64_t maxBytes) const = 0;
  // the file replaced in one step (never left half written); false when refused;
  virtual bool Replace(const std::string& path, const std::string& bytes) = 0;
  // a rename that replaces an existing target; false when refused.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
};

// The tray icon's balloon.
class RunNotifier {
 public:
  virtual ~RunNotifier() = default;
  virtual void ShowBalloon(const Balloon& balloon) = 0;
};

// The main window as the run sees it.
class RunWindow {
 public:
  virtual ~RunWindow() = default;
  virtual void MinimizeApp() = 0;      // hides the window to the tray
  virtual void RestoreApp() = 0;       // shows it again
  virtual void ProcessMessages() = 0;  // handles the waiting window messages, then returns
};

// The schedule and the clock's alarm.
class RunSchedule {
 public:
  virtual ~RunSchedule() = default;
  // The backup directory held in memory since the last Refresh.
  [[nodiscard]] virtual std::string BakDir() const = 0;
  // ExeDir + "\Bak_Info\Bak_Info.ini".
  [[nodiscard]] virtual std::string SettingsPath() const = 0;
  virtual void SwitchAlarmOff() = 0;
  virtual void SwitchAlarmOn() = 0;
  // `TimeIndex` + 1, then `SetNextAlarm` with the new value; raises what SetNextAlarm raises.
  virtual void ArmNext() = 0;
};

// Only one run, and no run beside a connection routine, at a time.
class RunGate {
 public:
  virtual ~RunGate() = default;
  // False when a run or a connection routine is already in progress; the run is then refused.
  virtual bool TryBegin() = 0;
  virtual void End() noexcept = 0;
};

class RunClock {
 public:
  virtual ~RunClock() = default;
  // Milliseconds of a clock that never jumps: for durations.
  [[nodiscard]] virtual std::int64_t MonotonicMs() const = 0;
  // The local date and time: for the history and the once-per-minute rule.
  [[nodiscard]] virtual platform::LocalDateTime LocalNow() const = 0;
};

}  // namespace backup
