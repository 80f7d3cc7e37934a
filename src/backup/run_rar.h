#pragma once
// Packs one backup file into an archive by starting the archiver and waiting for it, and asks the
// archiver to test the archive it made. The archiver is WinRAR (or a program with its command
// line) unless `RarProgram` names 7-Zip (ArchiverKindOf), which has a command line of its own.
#include <cstdint>
#include <optional>
#include <string>

namespace backup {

// "a -ep "<directory>\<archive name>" "<source path>"": the archive path is always built from the
// directory and the archive name, so it is the same path the backup run later copies and tests.
std::string RarArguments(const std::string& archiveName, const std::string& sourcePath, const std::string& directory);

// The archiver path as stored (unquoted, even with spaces), one space, the arguments.
std::string RarCommandLine(const std::string& archiveName, const std::string& sourcePath, const std::string& directory,
                           const std::string& archiverPath);

// 7-Zip: "a -t7z -mx=1 -y "<directory>\<archive name>" "<source path>"". Fast compression: at its
// default level a backup of gigabytes takes many times longer for little gain. Given a full source
// path, 7-Zip stores the bare file name, as -ep does for WinRAR.
std::string SevenZipArguments(const std::string& archiveName, const std::string& sourcePath,
                              const std::string& directory);

// The program path in quotes, one space, the arguments. 7-Zip splits its own command line, program
// name included, at blanks outside quotes: unquoted, "C:\Program Files\7-Zip\7z.exe" would hand it
// "Files\7-Zip\7z.exe" as its command.
std::string SevenZipCommandLine(const std::string& archiveName, const std::string& sourcePath,
                                const std::string& directory, const std::string& archiverPath);

// Starts the archiver with the directory as working directory and waits for it without a time
// limit; gives its exit code. When it cannot be started as a process, hands it to the shell hidden
// and returns at once with no exit code: nothing then says whether or when an archive comes of it.
std::optional<std::uint32_t> RunRar(const std::string& archiveName, const std::string& sourcePath,
                                    const std::string& directory, const std::string& archiverPath);

// "<archiver path> t "<archive path>"": WinRAR's and Rar.exe's own test of an archive.
std::string RarTestCommandLine(const std::string& archivePath, const std::string& archiverPath);

// ""<archiver path>" t "<archive path>"": 7-Zip's test.
std::string SevenZipTestCommandLine(const std::string& archivePath, const std::string& archiverPath);

// Runs that test in the directory and waits for it; the exit code (0: the archive holds), or
// nullopt when the archiver could not be started. There is no shell fallback: a test that
// cannot be waited for proves nothing.
std::optional<std::uint32_t> TestRar(const std::string& archivePath, const std::string& directory,
                                     const std::string& archiverPath);

}  // namespace backup
