#include "backup/run_rar.h"

#include "platform/process.h"

namespace backup {

std::string RarArguments(const std::string& archiveName, const std::string& sourcePath, const std::string& directory) {
  return "a -ep \"" + directory + "\\" + archiveName + "\" \"" + sourcePath + "\"";
}

std::string RarCommandLine(const std::string& archiveName, const std::string& sourcePath, const std::string& directory,
                           const std::string& archiverPath) {
  return archiverPath + " " + RarArguments(archiveName, sourcePath, directory);
}

void RunRar(const std::string& archiveName, const std::string& sourcePath, const std::string& directory,
            const std::string& archiverPath) {
  if (platform::StartProcessAndWait(RarCommandLine(archiveName, sourcePath, directory, archiverPath), directory)) {
    return;
  }
  platform::ShellStart(archiverPath, RarArguments(archiveName, sourcePath, directory), directory);
}

}  // namespace backup
