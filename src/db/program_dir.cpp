#include "db/program_dir.h"

#include "platform/system_info.h"

#include <cctype>

namespace db {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

// Rooted: "\x", "/x", "\\server\share", "C:\x".
bool IsRooted(const std::string& path) {
  return (!path.empty() && IsSeparator(path[0])) || (HasDrive(path) && path.size() >= 3 && IsSeparator(path[2]));
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty() || IsSeparator(dir.back())) {
    return dir + name;
  }
  const bool slashes = dir.find('/') != std::string::npos && dir.find('\\') == std::string::npos;
  return dir + (slashes ? '/' : '\\') + name;
}

// The program path made absolute against the working folder.
std::string Absolute(const std::string& programPath, const std::string& workingDir) {
  if (IsRooted(programPath)) {
    return programPath;
  }
  if (HasDrive(programPath)) {
    // "C:dw.exe" lies in the current folder of drive C:, known here only when that is the working one.
    const std::string rest = programPath.substr(2);
    const bool sameDrive = HasDrive(workingDir) && std::toupper(static_cast<unsigned char>(workingDir[0])) ==
                                                       std::toupper(static_cast<unsigned char>(programPath[0]));
    return sameDrive ? Join(workingDir, rest) : programPath.substr(0, 2) + "\\" + rest;
  }
  return Join(workingDir, programPath);
}

}  // namespace

std::string ExeDirOf(const std::string& programPath, const std::string& workingDir) {
  const std::string path = Absolute(programPath, workingDir);
  const auto slash = path.find_last_of("\\/");
  if (slash == std::string::npos) {
    return {};  // neither the program nor the working folder names a folder
  }
  std::string dir = path.substr(0, slash);
  const bool driveRoot = dir.size() == 2 && dir[1] == ':';
  if (driveRoot || dir.empty()) {
    dir += path[slash];
  }
  return dir;
}

std::string ExeDir() { return ExeDirOf(platform::ProgramPath(), platform::CurrentDirectory()); }

}  // namespace db
