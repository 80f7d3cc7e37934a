#pragma once
// After every run: the files it made go into the program's record of made files, and, after a run
// that fully succeeded, the files of that record that are older than KeepDays and not among the
// KeepCount newest of their folder are removed. Nothing outside the record is ever touched; a file
// whose size differs from the record is someone else's and leaves the record untouched, and one
// that is gone leaves the record when it is looked at (as it grows old, or while it is among the
// newest of its folder).
#include <cstdint>
#include <string>
#include <vector>

#include "backup/cleanup_plan.h"
#include "backup/made_files_record.h"
#include "backup/run_services.h"

namespace backup {

// One thing the clean-up did or could not do, for the history.
struct CleanupEvent {
  enum class Kind {
    kRemoved,           // path: the file; detail: when it was made
    kNotRemoved,        // path: the file; it stays in the record and is tried again
    kFolderSkipped,     // path: the folder, which could not be reached
    kLeftAlone,         // path: a file replaced by someone else; no longer in the record
    kRecordUnreadable,  // path: the record; nothing was removed in this run
    kRecordNotWritten,  // path: the record
  };
  Kind kind;
  std::string path;
  std::string detail;

  bool operator==(const CleanupEvent&) const = default;
};

struct CleanupResult {
  std::vector<CleanupEvent> events;
  platform::LocalDateTime time;  // the reading of the clock the choice was made with
  int removed = 0;
  std::int64_t deleteMs = 0;  // the file system's removals, within the clean-up
};

struct CleanupRequest {
  std::string recordPath;      // MadeFilesPath
  std::string unreadablePath;  // UnreadableMadeFilesPath
  std::vector<MadeFile> madeNow;
  KeepRules rules;
  // The archive was made and passed its test, and every copy was made.
  bool runSucceeded = false;
};

// The files a run made: its archive when one was made (marked when it failed its test), and each
// copy made, with their sizes as they are now and the time `made`.
std::vector<MadeFile> FilesMadeByRun(const RunFiles& files, const std::string& archivePath, bool archiveMade,
                                     bool archiveTested, const std::vector<std::string>& copies,
                                     const platform::LocalDateTime& made);

CleanupResult RecordAndCleanUp(RunFiles& files, const RunClock& clock, const CleanupRequest& request);

}  // namespace backup
