#include "db/program_dir.h"

#include "platform/system_info.h"

namespace db {

std::string ExeDirOf(const std::string& programPath) {
  const auto slash = programPath.find_last_of("\\/");
  if (slash == std::string::npos) {
    return {};
  }
  std::string dir = programPath.substr(0, slash);
  const bool driveRoot = dir.size() == 2 && dir[1] == ':';
  if (driveRoot || dir.empty()) {
    dir += programPath[slash];
  }
  return dir;
}

std::string ExeDir() { return ExeDirOf(platform::ProgramPath()); }

}  // namespace db
