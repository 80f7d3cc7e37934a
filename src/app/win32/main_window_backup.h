#pragma once
// The backup runs as the main window provides them: the window-free sequence of backup/backup_run.h
// over the window's connection, query, schedule, clock, tray icon and busy guard.
#include <optional>
#include <string>

#include "app/busy_guard.h"
#include "backup/backup_run.h"
#include "backup/history_log.h"
#include "backup/system_services.h"

namespace app::win32 {

class TForm1;

class FormBackup final : private backup::RunDatabase,
                         private backup::RunNotifier,
                         private backup::RunWindow,
                         private backup::RunSchedule,
                         private backup::RunGate {
 public:
  // Only stores the form: the form's members need not exist yet.
  explicit FormBackup(TForm1& form);
  FormBackup(const FormBackup&) = delete;
  FormBackup& operator=(const FormBackup&) = delete;

  backup::RunEnd Run(backup::RunKind kind) { return run_.Run(kind); }

 private:
  // RunDatabase
  [[nodiscard]] bool Connected() const override;
  void Connect() override;
  [[nodiscard]] std::string DatabaseName() const override;
  std::string CreateBakFile(const std::string& databaseName, const std::string& toDir) override;
  void Close() noexcept override;
  // RunNotifier
  void ShowBalloon(const backup::Balloon& balloon) override;
  // RunWindow
  void MinimizeApp() override;
  void RestoreApp() override;
  void ProcessMessages() override;
  // RunSchedule
  [[nodiscard]] std::string BakDir() const override;
  [[nodiscard]] std::string SettingsPath() const override;
  void SwitchAlarmOff() override;
  void SwitchAlarmOn() override;
  void ArmNext() override;
  // RunGate
  bool TryBegin() override;
  void End() noexcept override;

  TForm1& form_;
  backup::SystemArchiver archiver_;
  backup::SystemFiles files_;
  backup::SystemRunClock clock_;
  backup::HistoryLog log_;
  std::optional<BusyGuard::Scope> busy_;
  backup::BackupRun run_;
};

}  // namespace app::win32
