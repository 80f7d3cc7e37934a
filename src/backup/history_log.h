#pragma once
// Bak_Info\history.log: one line per backup run, so that an operator can see afterwards what happened
// at night. A log that cannot be written is given up silently: it never changes the run.
//
// Line format (fields separated by one tab; the outcome last, because its text is free):
//   2026-12-09 02:00:00.123  scheduled  file=QEL_20261209_020000.bak  archiver=0  test=0
//   archive_bytes=1234567  copies=2/2  connect_ms=40  server_ms=850  archiver_ms=2400  copies_ms=120
//   delete_ms=3  cleanup_ms=4  total_ms=3420  ok
// A value that does not exist for the run (no exit code, no archive, no file name) is "-". The outcome
// is "ok", "warning: <what failed>" or "error: <the error's text>". Control characters in texts
// become spaces, so that a line is always one line. A run with a web notification has two more
// fields before the outcome, and its line is written when the notification has ended:
//   notify_to=https://hooks.example.com/***  notify=sent 200
// (notify_to only when the address could be read; notify=failed <reason> when it was not sent).
//
// The clean-up of old archives follows the run's line with one line for each thing it did or could
// not do, stamped with the clock reading it chose by:
//   2026-12-11 02:00:09.000  clean-up  removed  E:\Mirror\Copy of QEL_20261209_020000.rar  made 2026-12-09 02:00:07
// The third field is "removed", "not removed", "skipped", "left alone", "nothing removed" or
// "not recorded"; the last one says why.
//
// A run that makes up for missed backup times has the kind "makeup" and the run's fields. The lines
// of missed times and of the schedule's notes are formatted by their owners and added whole
// (AppendLines), each beginning with the time and its kind ("missed", "schedule").
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "backup/old_archive_cleanup.h"
#include "backup/run_services.h"
#include "platform/local_time.h"

namespace backup {

enum class RunOutcome { kOk, kWarning, kError };

struct RunRecord {
  platform::LocalDateTime start;
  RunKind kind = RunKind::kScheduled;
  std::string backupFileName;
  std::optional<std::uint32_t> archiverExitCode;
  std::optional<std::uint32_t> testExitCode;
  std::optional<std::uint64_t> archiveBytes;
  int copiesMade = 0;
  int copiesListed = 0;
  RunOutcome outcome = RunOutcome::kOk;
  std::string outcomeText;  // what failed (warning) or the error's text (error)
  std::int64_t connectMs = 0;  // the run's own login (the connection is closed between runs)
  std::int64_t serverMs = 0;
  std::int64_t archiverMs = 0;  // packing and testing
  std::int64_t copiesMs = 0;
  std::int64_t deleteMs = 0;  // removing the unpacked backup file
  std::int64_t cleanupMs = 0;  // recording the made files and removing old ones (removals included)
  CleanupResult cleanup;
  std::int64_t totalMs = 0;
  // For the web notification of the run.
  std::string databaseName;
  std::string message;      // the balloon's text; empty when the run showed none
  bool notStarted = false;  // refused at the gate: another run or the connection routine was busy
  std::string notifyTo;     // the notification's address as MaskedUrl shows it; may be empty
  std::string notify;       // "sent 200", "failed <reason>"; empty when the run sent none
};

// The record as one line, with its line end.
std::string HistoryLine(const RunRecord& record);
// The notification's fields of the record ("\tnotify_to=...\tnotify=..."); empty when it sent none.
std::string NotifyFields(const RunRecord& record);
// The clean-up's lines, each with its line end; empty when it had nothing to tell.
std::string CleanupLines(const CleanupResult& cleanup);

class RunLog {
 public:
  virtual ~RunLog() = default;
  virtual void Append(const RunRecord& record) noexcept = 0;
};

class HistoryLog final : public RunLog {
 public:
  static constexpr std::uint64_t kRotateBytes = 1u << 20;

  // bakInfoDir: the folder of the backup settings file, ExeDir + "\Bak_Info".
  explicit HistoryLog(std::string bakInfoDir);
  // Copies share one lock: the notifications' worker appends beside the user-interface thread.

  [[nodiscard]] std::string Path() const { return dir_ + "\\history.log"; }
  [[nodiscard]] std::string OldPath() const { return dir_ + "\\history.old.log"; }

  // Renames the log to history.old.log first (replacing an older one) when this line would take it
  // past 1 MiB, then appends the line and the clean-up's lines with one write. Failures are ignored.
  void Append(const RunRecord& record) noexcept override;
  // Lines formatted elsewhere, each with its line end; rotated as above. Failures are ignored.
  void AppendLines(const std::string& lines) noexcept;

 private:
  std::string dir_;
  std::shared_ptr<std::mutex> lock_;
};

}  // namespace backup
