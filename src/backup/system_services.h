#pragma once
// The window-free services of a backup run as the operating system provides them.
#include "backup/run_services.h"

namespace backup {

class SystemArchiver final : public RunArchiver {
 public:
  std::optional<std::uint32_t> Pack(const std::string& archiveName, const std::string& sourcePath,
                                    const std::string& directory, const std::string& archiverPath) override;
  std::optional<std::uint32_t> Test(const std::string& archivePath, const std::string& directory,
                                    const std::string& archiverPath) override;
};

class SystemFiles final : public RunFiles {
 public:
  [[nodiscard]] bool Exists(const std::string& path) const override;
  bool Copy(const std::string& from, const std::string& to) override;
  bool Delete(const std::string& path) override;
  [[nodiscard]] std::optional<std::uint64_t> Size(const std::string& path) const override;
  [[nodiscard]] bool FolderExists(const std::string& folder) const override;
  [[nodiscard]] std::optional<std::string> Read(const std::string& path, std::uint64_t maxBytes) const override;
  bool Replace(const std::string& path, const std::string& bytes) override;
  bool Rename(const std::string& from, const std::string& to) override;
};

class SystemRunClock final : public RunClock {
 public:
  [[nodiscard]] std::int64_t MonotonicMs() const override;
  [[nodiscard]] platform::LocalDateTime LocalNow() const override;
};

}  // namespace backup
