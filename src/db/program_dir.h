#pragma once
// Where the program keeps its settings: files below the directory of the program file.
#include <string>

namespace db {

inline constexpr const char* kConnectIniSuffix = "\\Connect\\Connect.ini";
inline constexpr const char* kDataDatSuffix = "\\Connect\\Data.dat";
inline constexpr const char* kBakInfoSuffix = "\\Bak_Info\\Bak_Info.ini";

// The folder of a program path, without a trailing separator; a drive's root ("C:\") and the
// POSIX root keep theirs. A path that names no folder of its own ("dumpwarden.exe", "bin\dw.exe",
// "C:dw.exe") is taken as relative to workingDir, where the system found the program.
std::string ExeDirOf(const std::string& programPath, const std::string& workingDir);

// The running program's directory (`ExeDir`).
std::string ExeDir();

}  // namespace db
