#pragma once
// Reading the end of a file that another writer may be appending to: the file is opened for the one
// call only, shared for reading, writing and renaming, so the writer and the log's rotation go on.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct FileTail {
  std::string bytes;          // the last bytes of the file, at most the requested count
  std::uint64_t fileSize = 0; // the size when it was read
  [[nodiscard]] bool WholeFile() const { return bytes.size() >= fileSize; }
};

// The last `maxBytes` bytes of a regular file (all of it when smaller); nullopt when it is missing
// or cannot be read.
std::optional<FileTail> ReadFileTail(const std::string& path, std::uint64_t maxBytes);

}  // namespace platform
