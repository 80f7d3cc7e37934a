#pragma once
// Packs one backup file into a RAR archive by starting the archiver and waiting for it, and asks the
// archiver to test the archive it made.
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

// Starts the archiver with the directory as working directory and waits for it without a time
// limit; gives its exit code. When it cannot be started as a process, hands it to the shell hidden
// and returns at once with no exit code: nothing then says whether or when an archive comes of it.
std::optional<std::uint32_t> RunRar(const std::string& archiveName, const std::string& sourcePath,
                                    const std::string& directory, const std::string& archiverPath);

// "<archiver path> t "<archive path>"": WinRAR's and Rar.exe's own test of an archive.
std::string RarTestCommandLine(const std::string& archivePath, const std::string& archiverPath);

// Runs that test in the directory and waits for it; the exit code (0: the archive holds), or
// nullopt when the archiver could not be started. There is no shell fallback: a test that
// cannot be waited for proves nothing.
std::optional<std::uint32_t> TestRar(const std::string& archivePath, const std::string& directory,
                                     const std::string& archiverPath);

}  // namespace backup
