#pragma once
// Packs one backup file into a RAR archive by starting the archiver and waiting for it.
#include <string>

namespace backup {

// "a -ep "<directory>\<archive name>" "<source path>"": the archive path is always built from the
// directory and the archive name, so it is the same path the backup run later copies and tests.
std::string RarArguments(const std::string& archiveName, const std::string& sourcePath, const std::string& directory);

// The archiver path as stored (unquoted, even with spaces), one space, the arguments.
std::string RarCommandLine(const std::string& archiveName, const std::string& sourcePath, const std::string& directory,
                           const std::string& archiverPath);

// Starts the archiver with the directory as working directory and waits for it without a time
// limit; when it cannot be started as a process, hands it to the shell hidden and returns at once.
// Reports nothing: whether an archive came of it is for the caller to look at.
void RunRar(const std::string& archiveName, const std::string& sourcePath, const std::string& directory,
            const std::string& archiverPath);

}  // namespace backup
