#pragma once
// Which of the files in the record go, and which stay: a choice without any file work, so that it
// can be tried against any calendar and any clock.
//
// A file goes only when all of these hold:
//   - removal is allowed in this run (the run fully succeeded and KeepDays is above 0);
//   - its folder could be listed, and the file is there with the size recorded when it was made;
//   - it is not among the KeepCount newest files of its folder that passed their test; "newest"
//     is the order in which they were made, which no clock setting can change;
//   - it is older than KeepDays days: now less its effective time. A file's effective time is its
//     recorded time, but never earlier than that of a file made before it (a clock set back does
//     not make later files look older), and times still ahead of now (made while the clock ran
//     ahead, or before it was set back) give an age of nothing, so they are kept.
#include <cstdint>
#include <vector>

#include "backup/made_files_record.h"
#include "platform/local_time.h"

namespace backup {

struct KeepRules {
  int keepDays = 0;   // 0: keep everything
  int keepCount = 3;  // at least 1
};

// What is found on disk for a file of the record.
enum class Presence {
  kPresent,            // there, with the recorded size
  kOtherSize,          // a file of that name, but not the one made: replaced by someone else
  kGone,               // its folder was listed and it is not there (removed or renamed)
  kFolderUnreachable,  // its folder could not be listed: nothing is known
};

enum class Fate {
  kKeep,
  kRemove,
  kForgetGone,      // leaves the record: the file is no longer there
  kForgetReplaced,  // leaves the record untouched on disk: it is not the file the program made
  kSkip,            // stays in the record: its folder is tried again at the next run
};

// Seconds of a local date and time counted from 1970-01-01 00:00:00 on the same calendar; only
// differences between two of them mean anything.
std::int64_t CalendarSeconds(const platform::LocalDateTime& time);

// One fate per file, in the record's order. `presence` has one entry per file.
std::vector<Fate> PlanCleanup(const std::vector<MadeFile>& files, const std::vector<Presence>& presence,
                              const platform::LocalDateTime& now, KeepRules rules, bool removalAllowed);

}  // namespace backup
