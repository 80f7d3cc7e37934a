#include "backup/backup_run.h"

#include <exception>
#include <string>
#include <utility>

#include "backup/backup_names.h"
#include "backup/old_archive_cleanup.h"
#include "settings/backup_settings.h"
#include "settings/ini_file.h"

namespace backup {
namespace {

constexpr std::size_t kBalloonTextLimit = 255;
constexpr std::int64_t kMinuteMs = 60000;
constexpr std::uint8_t kBalloonSeconds = 10;

std::string Cut(std::string text) {
  if (text.size() > kBalloonTextLimit) {
    text.resize(kBalloonTextLimit);
  }
  return text;
}

// Whatever was thrown, as a text for the operator.
std::string CurrentErrorText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

// Holds the gate for the length of a run.
class GateHold {
 public:
  explicit GateHold(RunGate& gate) : gate_(gate) {}
  GateHold(const GateHold&) = delete;
  GateHold& operator=(const GateHold&) = delete;
  ~GateHold() { gate_.End(); }

 private:
  RunGate& gate_;
};

}  // namespace

std::string CreatedText(const std::string& databaseName) {
  return Cut("Bakup of database \"" + databaseName + "\" is created.");
}

std::string CreatedButText(const std::string& databaseName, const std::string& whatFailed) {
  return Cut("Bakup of database \"" + databaseName + "\" is created, but " + whatFailed);
}

BackupRun::BackupRun(RunServices services) : s_(services) {}

bool BackupRun::RepeatsItsMinute(const platform::LocalDateTime& now, std::int64_t monotonicMs) const {
  if (!lastScheduled_) {
    return false;
  }
  const MinuteMark& last = *lastScheduled_;
  const bool sameMinute = last.year == now.year && last.month == now.month && last.day == now.day &&
                          last.hour == now.hour && last.minute == now.minute;
  // Both readings must agree: a wall clock set back by an hour does not make a new backup a repeat.
  return sameMinute && monotonicMs - last.monotonicMs < kMinuteMs;
}

RunEnd BackupRun::Run(RunKind kind) {
  const platform::LocalDateTime now = s_.clock.LocalNow();
  const std::int64_t startMs = s_.clock.MonotonicMs();
  if (kind == RunKind::kScheduled && RepeatsItsMinute(now, startMs)) {
    return RunEnd::kRepeatRefused;  // the alarm of 00:00 re-armed within 00:00: tomorrow, not again now
  }
  if (!s_.gate.TryBegin()) {
    if (kind != RunKind::kImmediate) {
      // A scheduled backup that did not happen is what the operator looks for in the history.
      RunRecord refused;
      refused.start = now;
      refused.kind = kind;
      refused.outcome = RunOutcome::kError;
      refused.outcomeText = "not started: another backup or the connection routine was in progress";
      refused.notStarted = true;
      refused.databaseName = s_.database.DatabaseName();
      s_.log.Append(refused);
    }
    return RunEnd::kRefused;
  }
  GateHold hold(s_.gate);
  if (kind == RunKind::kScheduled) {
    lastScheduled_ = MinuteMark{now.year, now.month, now.day, now.hour, now.minute, startMs};
  }
  record_ = RunRecord{};
  record_.start = now;
  record_.kind = kind;
  record_.databaseName = s_.database.DatabaseName();  // as last read; the run's own login reads it again

  bool armed = false;
  try {
    const RunEnd end = Sequence(kind, armed);
    Finish(startMs);
    return end;
  } catch (...) {
    const std::string error = CurrentErrorText();
    record_.outcome = RunOutcome::kError;
    record_.outcomeText = error;
    if (kind != RunKind::kImmediate) {
      if (kind == RunKind::kScheduled) {
        ReArmAfterError(armed);
      }
      record_.message = Cut(error);
      s_.notifier.ShowBalloon(Balloon{"Error", record_.message, BalloonIcon::kError, kBalloonSeconds});
      s_.database.Close();
      Finish(startMs);
      return RunEnd::kFailed;
    }
    s_.database.Close();
    s_.window.RestoreApp();
    Finish(startMs);
    throw;  // to the default error box
  }
}

void BackupRun::Finish(std::int64_t startMs) {
  record_.totalMs = s_.clock.MonotonicMs() - startMs;
  s_.log.Append(record_);
}

void BackupRun::ReArmAfterError(bool armed) noexcept {
  try {
    if (!armed) {
      s_.schedule.ArmNext();
      return;
    }
  } catch (...) {
    // Falls through: the schedule cannot arm a next time either.
  }
  // The next time could not be armed: the alarm goes back on at the time it had, so that at
  // least tomorrow's backup at this time happens; the balloon tells the operator what is wrong.
  try {
    s_.schedule.SwitchAlarmOn();
  } catch (...) {
  }
}

RunEnd BackupRun::Sequence(RunKind kind, bool& armed) {
  const bool scheduled = kind == RunKind::kScheduled;
  // A make-up run is a scheduled one that leaves the alarm and the schedule as they are.
  const bool unattended = kind != RunKind::kImmediate;
  if (!s_.database.Connected()) {
    const std::int64_t connectStart = s_.clock.MonotonicMs();
    s_.database.Connect();
    record_.connectMs = s_.clock.MonotonicMs() - connectStart;
  }
  if (!s_.database.Connected()) {
    record_.outcome = RunOutcome::kError;
    record_.outcomeText = "no connection to the database";
    return RunEnd::kNotConnected;
  }
  if (scheduled) {
    s_.schedule.SwitchAlarmOff();
  } else if (!unattended) {
    s_.window.MinimizeApp();
  }

  const std::string databaseName = s_.database.DatabaseName();
  record_.databaseName = databaseName;
  const std::string bakDir = s_.schedule.BakDir();
  std::int64_t phase = s_.clock.MonotonicMs();
  const std::string fileName = s_.database.CreateBakFile(databaseName, bakDir);
  record_.serverMs = s_.clock.MonotonicMs() - phase;
  record_.backupFileName = fileName;
  if (!IsBareFileName(fileName)) {
    throw std::runtime_error("CreateBakFile returned \"" + fileName + "\", which is not the name of a file");
  }

  // One reading of the settings for the whole run: a file rewritten while the archiver works must
  // not give the run the old archiver and the new copy list.
  const settings::IniFile ini = settings::IniFile::Snapshot(s_.schedule.SettingsPath());
  const std::string archiver = settings::ReadRarProgram(ini);
  const BackupNames names = FormBackupNames(bakDir, fileName, ArchiverKindOf(archiver));

  phase = s_.clock.MonotonicMs();
  record_.archiverExitCode = s_.archiver.Pack(names.archiveName, names.backupFilePath, bakDir, archiver);
  const bool packed = record_.archiverExitCode == 0u && s_.files.Exists(names.archivePath);
  if (packed) {
    record_.testExitCode = s_.archiver.Test(names.archivePath, bakDir, archiver);
  }
  record_.archiverMs = s_.clock.MonotonicMs() - phase;
  const bool tested = packed && record_.testExitCode == 0u;
  record_.archiveBytes = s_.files.Size(names.archivePath);

  phase = s_.clock.MonotonicMs();
  // Every stored entry up to the count is a pass; numbers past the last stored key hold only empty
  // entries and are not walked one by one (a count of two billion would keep the thread for minutes).
  const int count = ini.ReadInteger(settings::kCopySection, "count", 0);
  std::vector<std::string> copies;
  for (const auto& [n, entry] : ini.ReadNumberedKeys(settings::kCopySection, "copy", count)) {
    if (!entry.empty()) {
      ++record_.copiesListed;
      // A missing or known-bad archive is not copied: the mirrors would hold a file that cannot be
      // restored, under the name a good copy would have.
      const std::string target = CopyTarget(entry, names.archiveName);
      if (tested && s_.files.Copy(names.archivePath, target)) {
        ++record_.copiesMade;
        copies.push_back(target);
      }
    }
    if (unattended) {
      s_.window.ProcessMessages();
    }
  }
  record_.copiesMs = s_.clock.MonotonicMs() - phase;

  if (scheduled) {
    armed = true;
    s_.schedule.ArmNext();
  }

  // The unpacked backup goes only when an archive that passed the archiver's own test holds it.
  if (tested && s_.files.Exists(archiver) && s_.files.Exists(names.archivePath)) {
    phase = s_.clock.MonotonicMs();
    s_.files.Delete(names.backupFilePath);
    record_.deleteMs = s_.clock.MonotonicMs() - phase;
  }

  // What this run made goes into the program's record; old files of that record go only after a
  // run that fully succeeded.
  phase = s_.clock.MonotonicMs();
  CleanupRequest cleanup{MadeFilesPath(s_.schedule.SettingsPath()), UnreadableMadeFilesPath(s_.schedule.SettingsPath()),
                         FilesMadeByRun(s_.files, names.archivePath, packed, tested, copies, s_.clock.LocalNow()),
                         KeepRules{settings::ReadKeepDays(ini), settings::ReadKeepCount(ini)},
                         tested && record_.copiesMade == record_.copiesListed};
  record_.cleanup = RecordAndCleanUp(s_.files, s_.clock, cleanup);
  record_.cleanupMs = s_.clock.MonotonicMs() - phase;

  std::string whatFailed;
  if (!packed) {
    whatFailed = "the archive was not made.";
  } else if (!tested) {
    whatFailed = "the archive failed its test.";
  } else if (record_.copiesMade < record_.copiesListed) {
    whatFailed = std::to_string(record_.copiesListed - record_.copiesMade) + " of " +
                 std::to_string(record_.copiesListed) + " copies failed.";
  }
  if (whatFailed.empty()) {
    record_.message = CreatedText(databaseName);
    s_.notifier.ShowBalloon(Balloon{"INFO", record_.message, BalloonIcon::kInfo, kBalloonSeconds});
  } else {
    record_.outcome = RunOutcome::kWarning;
    record_.outcomeText = whatFailed;
    if (!tested && record_.copiesListed > 0) {
      record_.outcomeText += packed ? " No copies were made: an archive that failed its test is not copied."
                                    : " No copies were made: there was no archive to copy.";
    }
    record_.message = CreatedButText(databaseName, whatFailed);
    s_.notifier.ShowBalloon(Balloon{"Warning", record_.message, BalloonIcon::kWarning, kBalloonSeconds});
  }
  s_.database.Close();
  if (!unattended) {
    s_.window.RestoreApp();
  }
  return RunEnd::kDone;
}

}  // namespace backup
