#include "backup/system_services.h"

#include <chrono>

#include "backup/run_rar.h"
#include "platform/append_file.h"
#include "platform/files.h"
#include "platform/folder_exists.h"

namespace backup {

std::optional<std::uint32_t> SystemArchiver::Pack(const std::string& archiveName, const std::string& sourcePath,
                                                  const std::string& directory, const std::string& archiverPath) {
  return RunRar(archiveName, sourcePath, directory, archiverPath);
}

std::optional<std::uint32_t> SystemArchiver::Test(const std::string& archivePath, const std::string& directory,
                                                  const std::string& archiverPath) {
  return TestRar(archivePath, directory, archiverPath);
}

bool SystemFiles::Exists(const std::string& path) const { return platform::FileExists(path); }

bool SystemFiles::Copy(const std::string& from, const std::string& to) {
  return platform::CopyFileOverwrite(from, to);
}

bool SystemFiles::Delete(const std::string& path) { return platform::RemoveFile(path); }

std::optional<std::uint64_t> SystemFiles::Size(const std::string& path) const { return platform::FileSize(path); }

bool SystemFiles::FolderExists(const std::string& folder) const { return platform::FolderExists(folder); }

std::optional<std::string> SystemFiles::Read(const std::string& path, std::uint64_t maxBytes) const {
  return platform::ReadFileBytes(path, maxBytes);
}

bool SystemFiles::Replace(const std::string& path, const std::string& bytes) {
  return platform::ReplaceFileAtomically(path, bytes);
}

bool SystemFiles::Rename(const std::string& from, const std::string& to) {
  return platform::RenameReplacing(from, to);
}

std::int64_t SystemRunClock::MonotonicMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

platform::LocalDateTime SystemRunClock::LocalNow() const { return platform::LocalNow(); }

}  // namespace backup
