#pragma once
// File services the subsystems need. Paths are the program's own Windows-style texts
// (backslashes, system code page); the POSIX build maps backslashes to slashes.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

bool FileExists(const std::string& path);

// Result deliberately ignorable: a failed delete or copy is not an error for the program.
bool RemoveFile(const std::string& path);
// As CopyFileA with overwriting: the copy is made beside the target, a block at a time, and takes
// the target's name only when complete; any failure (never an exception) leaves the old target.
bool CopyFileOverwrite(const std::string& from, const std::string& to);

// Whole file as bytes; nullopt when it is missing or cannot be read.
// Files larger than maxBytes are refused (nullopt) rather than read.
std::optional<std::string> ReadFileBytes(const std::string& path, std::uint64_t maxBytes);

// How a file that does not exist yet is created by ReplaceFileAtomically.
enum class NewFileAccess {
  Default,    // as any new file of the process
  OwnerOnly,  // readable and writable by its owner alone where the platform allows (POSIX 0600)
};

// Writes the bytes to a new file beside `path` and then replaces `path` with it in one step,
// so a reader never sees a half-written file and a failed write leaves the old file as it was.
// A replaced file keeps its permissions (POSIX) or attributes (Windows); `newFile` applies only
// when there was none. Refuses (returns false) a read-only target and never creates folders.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes,
                           NewFileAccess newFile = NewFileAccess::Default);

}  // namespace platform
