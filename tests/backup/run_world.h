#pragma once
// A whole world for the backup run: every service it calls, recorded in one trace, with the
// behaviour of each set by the test.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "backup/backup_run.h"

namespace testing_support {

class RunWorld final : public backup::RunDatabase,
                       public backup::RunArchiver,
                       public backup::RunFiles,
                       public backup::RunNotifier,
                       public backup::RunWindow,
                       public backup::RunSchedule,
                       public backup::RunGate,
                       public backup::RunClock,
                       public backup::RunLog {
 public:
  // --- what the test sets ---
  bool connected = false;
  bool connectOpens = true;
  std::string connectError;  // raised by Connect when not empty
  std::string databaseName = "QEL";
  std::string bakDir = "D:\\Backup";
  std::string settingsPath;
  std::function<std::string()> createBakFile = [] { return std::string("Shop_1200.bak"); };
  std::optional<std::uint32_t> packExit = 0u;
  bool packWritesArchive = true;
  std::optional<std::uint32_t> testExit = 0u;
  std::set<std::string> folders{"D:\\Backup", "E:\\Mirror", "F:\\Second"};
  std::map<std::string, std::string> files;  // path -> content
  std::set<std::string> lockedFiles;         // Delete refuses them, as a file in use or read-only
  std::set<std::string> unreadableFiles;     // Read refuses them
  bool replaceRefused = false;               // Replace refuses every file, as a full disk
  std::set<std::string> unreachableFolders;  // a share that is down: its files cannot be seen
  std::string armError;                       // raised by ArmNext when not empty
  std::function<void()> onProcessMessages;
  std::function<void()> onPack;  // runs while the archiver packs
  bool busyOutside = false;  // a connection routine holds the gate
  platform::LocalDateTime now{2026, 12, 9, 2, 0, 5, 0};
  std::int64_t monotonic = 1000000;
  // How long each step takes on the monotonic clock.
  std::int64_t connectMs = 70, serverMs = 1200, packMs = 3000, testMs = 400, copyMs = 50, deleteMs = 9;

  // --- what happened ---
  std::vector<std::string> trace;
  std::vector<backup::Balloon> balloons;
  std::vector<backup::RunRecord> records;
  int alarmOffCount = 0;
  bool alarmOn = true;

  // RunDatabase
  bool Connected() const override { return connected; }
  void Connect() override {
    trace.push_back("connect");
    monotonic += connectMs;
    if (!connectError.empty()) {
      throw std::runtime_error(connectError);
    }
    connected = connectOpens;
  }
  std::string DatabaseName() const override { return databaseName; }
  std::string CreateBakFile(const std::string& db, const std::string& toDir) override {
    trace.push_back("server " + db + " " + toDir);
    monotonic += serverMs;
    const std::string name = createBakFile();
    files[toDir + "\\" + name] = "backup of " + db;
    return name;
  }
  void Close() noexcept override {
    trace.push_back("close");
    connected = false;
  }

  // RunArchiver
  std::optional<std::uint32_t> Pack(const std::string& archiveName, const std::string& source,
                                    const std::string& directory, const std::string& archiver) override {
    trace.push_back("pack " + archiveName + " " + source + " " + directory + " " + archiver);
    monotonic += packMs;
    if (onPack) {
      onPack();
    }
    if (packWritesArchive && files.count(archiver) != 0 && files.count(source) != 0) {
      files[directory + "\\" + archiveName] = "archive of " + files[source];
    }
    return packExit;
  }
  std::optional<std::uint32_t> Test(const std::string& archive, const std::string& directory,
                                    const std::string& archiver) override {
    trace.push_back("test " + archive + " " + directory + " " + archiver);
    monotonic += testMs;
    return testExit;
  }

  // RunFiles
  bool Exists(const std::string& path) const override { return files.count(path) != 0 && Reachable(path); }
  bool Copy(const std::string& from, const std::string& to) override {
    trace.push_back("copy " + to);
    monotonic += copyMs;
    const auto slash = to.rfind('\\');
    if (files.count(from) == 0 || slash == std::string::npos || folders.count(to.substr(0, slash)) == 0) {
      return false;
    }
    files[to] = files[from];
    return true;
  }
  bool Delete(const std::string& path) override {
    trace.push_back("delete " + path);
    monotonic += deleteMs;
    return lockedFiles.count(path) == 0 && Reachable(path) && files.erase(path) != 0;
  }
  bool FolderExists(const std::string& folder) const override {
    std::string bare = folder;
    if (!bare.empty() && bare.back() == '\\') {
      bare.pop_back();
    }
    return folders.count(bare) != 0 && unreachableFolders.count(bare) == 0;
  }
  std::optional<std::string> Read(const std::string& path, std::uint64_t maxBytes) const override {
    const auto found = files.find(path);
    if (found == files.end() || unreadableFiles.count(path) != 0 || found->second.size() > maxBytes) {
      return std::nullopt;
    }
    return found->second;
  }
  bool Replace(const std::string& path, const std::string& bytes) override {
    if (replaceRefused) {
      return false;
    }
    files[path] = bytes;
    return true;
  }
  bool Rename(const std::string& from, const std::string& to) override {
    const auto found = files.find(from);
    if (found == files.end() || replaceRefused) {
      return false;
    }
    std::string content = found->second;
    files.erase(found);
    files[to] = std::move(content);
    return true;
  }
  std::optional<std::uint64_t> Size(const std::string& path) const override {
    const auto found = files.find(path);
    if (found == files.end() || !Reachable(path)) {
      return std::nullopt;
    }
    return found->second.size();
  }

  // RunNotifier
  void ShowBalloon(const backup::Balloon& balloon) override {
    trace.push_back("balloon " + balloon.title);
    balloons.push_back(balloon);
  }

  // RunWindow
  void MinimizeApp() override { trace.push_back("minimize"); }
  void RestoreApp() override { trace.push_back("restore"); }
  void ProcessMessages() override {
    trace.push_back("messages");
    if (onProcessMessages) {
      onProcessMessages();
    }
  }

  // RunSchedule
  std::string BakDir() const override { return bakDir; }
  std::string SettingsPath() const override { return settingsPath; }
  void SwitchAlarmOff() override {
    trace.push_back("alarm off");
    ++alarmOffCount;
    alarmOn = false;
  }
  void SwitchAlarmOn() override {
    trace.push_back("alarm on");
    alarmOn = true;
  }
  void ArmNext() override {
    trace.push_back("arm next");
    if (!armError.empty()) {
      throw std::runtime_error(armError);
    }
    alarmOn = true;
  }

  // RunGate
  bool TryBegin() override {
    if (busyOutside || running_) {
      return false;
    }
    running_ = true;
    return true;
  }
  void End() noexcept override { running_ = false; }
  [[nodiscard]] bool GateHeld() const { return running_; }

  // RunClock
  std::int64_t MonotonicMs() const override { return monotonic; }
  platform::LocalDateTime LocalNow() const override { return now; }

  // RunLog
  void Append(const backup::RunRecord& record) noexcept override { records.push_back(record); }

  backup::RunServices Services() { return {*this, *this, *this, *this, *this, *this, *this, *this, *this}; }

 private:
  bool Reachable(const std::string& path) const {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos || unreachableFolders.count(path.substr(0, slash)) == 0;
  }

  bool running_ = false;
};

}  // namespace testing_support
