#include "backup/backup_names.h"

#include <cctype>

namespace backup {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

}  // namespace

ArchiverKind ArchiverKindOf(const std::string& archiverPath) {
  // The operator picks the file in the dialog, so either separator may stand before the name.
  const std::size_t slash = archiverPath.find_last_of("\\/");
  const std::string name = Lower(slash == std::string::npos ? archiverPath : archiverPath.substr(slash + 1));
  for (const char* sevenZip : {"7z.exe", "7za.exe", "7zr.exe", "7zz.exe"}) {
    if (name == sevenZip) {
      return ArchiverKind::kSevenZip;
    }
  }
  return ArchiverKind::kRar;
}

const char* ArchiveExtension(ArchiverKind kind) { return kind == ArchiverKind::kSevenZip ? ".7z" : ".rar"; }

BackupNames FormBackupNames(const std::string& backupDirectory, const std::string& backupFileName,
                            ArchiverKind kind) {
  BackupNames names;
  names.backupFilePath = backupDirectory + "\\" + backupFileName;
  const std::size_t kept = backupFileName.size() > 4 ? backupFileName.size() - 4 : 0;
  names.archiveName = backupFileName.substr(0, kept) + ArchiveExtension(kind);
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
