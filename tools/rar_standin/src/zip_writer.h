#pragma once
// Packs one file into a new ZIP archive as a single stored entry under its bare name.
#include <cstdint>
#include <string>

namespace rar_standin {

struct PackOptions {
  // Cut the finished archive to half its length before it takes its name (a damaged archive on
  // purpose, for tests of whoever checks the archiver's work).
  bool truncate = false;
};

// Streams the file in fixed-size blocks into "<archive>.partial" beside the archive, forces it to
// disk, and only then renames it to the archive's name, replacing an older archive there; on any
// failure the partial file is removed and no archive is left. Raises StandinError: kExitCannotRead
// when the source cannot be read or changes size while being packed, kExitCannotWrite when the
// archive cannot be written or would replace the source itself.
void PackFile(const std::string& sourcePath, const std::string& archivePath, const PackOptions& options);

// The name an entry gets: the path after its last slash or backslash.
std::string BareName(const std::string& path);

inline constexpr std::size_t kBlockSize = 1u << 20;

}  // namespace rar_standin
