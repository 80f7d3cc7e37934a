#include "backup/run_rar.h"

#include "backup/backup_names.h"
#include "platform/process.h"

namespace backup {
namespace {

bool IsSevenZip(const std::string& archiverPath) { return ArchiverKindOf(archiverPath) == ArchiverKind::kSevenZip; }

}  // namespace

std::string RarArguments(const std::string& archiveName, const std::string& sourcePath, const std::string& directory) {
  return "a -ep \"" + directory + "\\" + archiveName + "\" \"" + sourcePath + "\"";
}

std::string RarCommandLine(const std::string& archiveName, const std::string& sourcePath, const std::string& directory,
                           const std::string& archiverPath) {
  return archiverPath + " " + RarArguments(archiveName, sourcePath, directory);
}

std::string SevenZipArguments(const std::string& archiveName, const std::string& sourcePath,
                              const std::string& directory) {
  return "a -t7z -mx=1 -y \"" + directory + "\\" + archiveName + "\" \"" + sourcePath + "\"";
}

std::string SevenZipCommandLine(const std::string& archiveName, const std::string& sourcePath,
                                const std::string& directory, const std::string& archiverPath) {
  return "\"" + archiverPath + "\" " + SevenZipArguments(archiveName, sourcePath, directory);
}

std::optional<std::uint32_t> RunRar(const std::string& archiveName, const std::string& sourcePath,
                                    const std::string& directory, const std::string& archiverPath) {
  const bool sevenZip = IsSevenZip(archiverPath);
  const std::string commandLine = sevenZip ? SevenZipCommandLine(archiveName, sourcePath, directory, archiverPath)
                                           : RarCommandLine(archiveName, sourcePath, directory, archiverPath);
  const auto exitCode = platform::StartProcessAndWait(commandLine, directory);
  if (exitCode) {
    return exitCode;
  }
  platform::ShellStart(archiverPath,
                       sevenZip ? SevenZipArguments(archiveName, sourcePath, directory)
                                : RarArguments(archiveName, sourcePath, directory),
                       directory);
  return std::nullopt;
}

std::string RarTestCommandLine(const std::string& archivePath, const std::string& archiverPath) {
  return archiverPath + " t \"" + archivePath + "\"";
}

std::string SevenZipTestCommandLine(const std::string& archivePath, const std::string& archiverPath) {
  return "\"" + archiverPath + "\" t \"" + archivePath + "\"";
}

std::optional<std::uint32_t> TestRar(const std::string& archivePath, const std::string& directory,
                                     const std::string& archiverPath) {
  return platform::StartProcessAndWait(IsSevenZip(archiverPath) ? SevenZipTestCommandLine(archivePath, archiverPath)
                                                                : RarTestCommandLine(archivePath, archiverPath),
                                       directory);
}

}  // namespace backup
