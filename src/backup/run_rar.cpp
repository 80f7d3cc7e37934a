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

std::optional<std::uint32_t> RunRar(const std::string& archiveName, const std::string& sourcePath,
                                    const std::string& directory, const std::string& archiverPath) {
  const auto exitCode =
      platform::StartProcessAndWait(RarCommandLine(archiveName, sourcePath, directory, archiverPath), directory);
  if (exitCode) {
    return exitCode;
  }
  platform::ShellStart(archiverPath, RarArguments(archiveName, sourcePath, directory), directory);
  return std::nullopt;
}

std::string RarTestCommandLine(const std::string& archivePath, const std::string& archiverPath) {
  return archiverPath + " t \"" + archivePath + "\"";
}

std::optional<std::uint32_t> TestRar(const std::string& archivePath, const std::string& directory,
                                     const std::string& archiverPath) {
  return platform::StartProcessAndWait(RarTestCommandLine(archivePath, archiverPath), directory);
}

}  // namespace backup
