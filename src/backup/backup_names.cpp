#include "backup/backup_names.h"

namespace backup {

BackupNames FormBackupNames(const std::string& backupDirectory, const std::string& backupFileName) {
  BackupNames names;
  names.backupFilePath = backupDirectory + "\\" + backupFileName;
  const std::size_t kept = backupFileName.size() > 4 ? backupFileName.size() - 4 : 0;
  names.archiveName = backupFileName.substr(0, kept) + ".rar";
  names.archivePath = backupDirectory + "\\" + names.archiveName;
  return names;
}

std::string CopyTarget(const std::string& copyEntry, const std::string& archiveName) {
  return copyEntry + "Copy of " + archiveName;
}

bool IsBareFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") {
    return false;
  }
  for (char c : name) {
    if (c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 0x20) {
      return false;
    }
  }
  return true;
}

}  // namespace backup
