#pragma once
// File services the subsystems need. Paths are the program's own Windows-style texts
// (backslashes, system code page); the POSIX build maps backslashes to slashes.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

bool FileExists(const std::string& path);

// Result deliberately ignorable: a failed delete or copy is not an error for the program.
bool DeleteFile(const std::string& path);
bool CopyFileOverwrite(const std::string& from, const std::string& to);

// Whole file as bytes; nullopt when it is missing or cannot be read.
// Files larger than maxBytes are refused (nullopt) rather than read.
std::optional<std::string> ReadFileBytes(const std::string& path, std::uint64_t maxBytes);

// Writes the bytes to a new file beside `path` and then replaces `path` with it in one step,
// so a reader never sees a half-written file and a failed write leaves the old file as it was.
// Refuses (returns false) a read-only target and never creates folders.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace platform
