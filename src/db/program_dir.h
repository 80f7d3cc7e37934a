#pragma once
// Where the program keeps its settings: files below the directory of the program file.
#include <string>

namespace db {

inline constexpr const char* kConnectIniSuffix = "\\Connect\\Connect.ini";
inline constexpr const char* kDataDatSuffix = "\\Connect\\Data.dat";
inline constexpr const char* kBakInfoSuffix = "\\Bak_Info\\Bak_Info.ini";

// The directory part of a program path, without a trailing separator; a drive's root ("C:\")
// and the POSIX root keep theirs.
std::string ExeDirOf(const std::string& programPath);

// The running program's directory (`ExeDir`).
std::string ExeDir();

}  // namespace db
