#pragma once
#include <string>

namespace platform {

// The name this computer reports (at most 100 characters); empty when it cannot be read.
std::string ComputerName();

// Full path of the running program file.
std::string ProgramPath();

// The process's current folder; empty when it cannot be read.
std::string CurrentDirectory();

// The system's time separator (":" on most systems).
std::string TimeSeparator();

}  // namespace platform
