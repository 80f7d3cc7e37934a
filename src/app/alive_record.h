#pragma once
// Bak_Info\alive.txt: up to which minute every backup time is accounted for (it ran, or was reported
// missed), and whether a make-up run is still owed. Read at start to find the times that passed
// while the program was not running; rewritten in one step whenever it changes, so that a time is
// never reported or made up twice, not even across a restart.
//
//   covered=2026-12-09 10:30
//   makeup=owed            (or "none")
#include <cstdint>
#include <optional>
#include <string>

namespace app {

struct AliveRecord {
  std::int64_t coveredMinute = 0;  // a minute of the local calendar (schedule::CivilMinuteOf)
  bool makeUpOwed = false;
};

std::string AliveRecordPath(const std::string& exeDir);

// nullopt when the file is missing, unreadable, or not exactly what WriteAliveRecord writes.
std::optional<AliveRecord> ReadAliveRecord(const std::string& path);
std::string AliveRecordText(const AliveRecord& record);
// False when the file could not be replaced; the old one then stays as it was.
bool WriteAliveRecord(const std::string& path, const AliveRecord& record);

}  // namespace app
