#pragma once
// The archive test: structure and checksums of a ZIP archive of stored entries.
#include <cstdint>
#include <string>
#include <vector>

namespace rar_standin {

struct TestedEntry {
  std::string name;
  std::uint64_t size = 0;
};

// Checks the end record (and its ZIP64 forms), that the central directory ends where the end
// records begin, every central header, every local header against its central header, that no
// entry overlaps another or the directory, and every entry's size and CRC-32 over its data.
// An archive without entries fails too: it holds no backup. Raises StandinError: kExitCannotRead
// when the archive cannot be opened or read, kExitDamaged with the first fault found.
// Only stored entries can be tested; any other method fails as not testable.
std::vector<TestedEntry> TestArchive(const std::string& archivePath);

}  // namespace rar_standin
