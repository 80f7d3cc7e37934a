#pragma once
// What a log file needs beyond platform/files.h: its size, one append, and a rename that replaces.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Size in bytes of a regular file; nullopt when it is missing or not a file.
std::optional<std::uint64_t> FileSize(const std::string& path);

// Adds the bytes at the end of the file (created when missing) with one write, so that two writers
// never interleave inside one record. False when refused (read-only file, missing folder, full disk).
bool AppendToFile(const std::string& path, const std::string& bytes);

// Renames `from` to `to`, replacing an existing `to`. False when refused.
bool RenameReplacing(const std::string& from, const std::string& to);

}  // namespace platform
