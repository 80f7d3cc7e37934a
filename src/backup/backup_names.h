#pragma once
// The names one backup run forms from the backup directory and the name the server returned.
// Plain concatenation: no separator is added or removed other than the one backslash shown.
#include <string>

namespace backup {

// Which archiver `RarProgram` names: 7-Zip by its program file's name (7z.exe, 7za.exe, 7zr.exe or
// 7zz.exe, any letter case); everything else is taken for WinRAR or a program with its command line.
enum class ArchiverKind { kRar, kSevenZip };

ArchiverKind ArchiverKindOf(const std::string& archiverPath);

// ".rar" or ".7z".
const char* ArchiveExtension(ArchiverKind kind);

struct BackupNames {
  std::string backupFilePath;  // directory + "\" + file name
  std::string archiveName;     // file name less its last four characters, whatever they are, + ".rar" or ".7z"
  std::string archivePath;     // directory + "\" + archive name
};

BackupNames FormBackupNames(const std::string& backupDirectory, const std::string& backupFileName,
                            ArchiverKind kind = ArchiverKind::kRar);

// Copy entry + "Copy of " + archive name; an entry without its trailing backslash gives a file
// beside the folder ("E:\MirrorCopy of x.rar"), as the entry says.
std::string CopyTarget(const std::string& copyEntry, const std::string& archiveName);

// A name the server may hand back for a file in the backup directory: not empty, and with no
// folder or drive part, so that the run never packs, copies or deletes anything outside it.
bool IsBareFileName(const std::string& name);

}  // namespace backup
