#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Starts a process from a full command line (the program is its first item) with the given
// working directory and waits for it to end without a time limit.
// Returns the process's exit code, or nullopt when the process could not be created. A process
// ended by a crash (or, on POSIX, a signal) gives a non-zero code.
std::optional<std::uint32_t> StartProcessAndWait(const std::string& commandLine, const std::string& workingDir);

// Hands a file to the shell's default action, hidden, without waiting. Result not examined.
void ShellStart(const std::string& file, const std::string& parameters, const std::string& workingDir);

}  // namespace platform
