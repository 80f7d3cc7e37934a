// The backup runs of the main window: `AlarmClock1Alarm` (scheduled) and `Moment_Bak_BtnClick`
// (immediate), both the one sequence of backup/backup_run.cpp.
#include "app/win32/main_window_backup.h"

#include <windows.h>

#include "app/win32/main_window.h"
#include "db/program_dir.h"

namespace app::win32 {
namespace {

TBalloonIconKind IconKind(backup::BalloonIcon icon) {
  switch (icon) {
    case backup::BalloonIcon::kInfo:
      return TBalloonIconKind::bikInfo;
    case backup::BalloonIcon::kWarning:
      return TBalloonIconKind::bikWarning;
    case backup::BalloonIcon::kError:
      return TBalloonIconKind::bikError;
  }
  return TBalloonIconKind::bikInfo;
}

}  // namespace

void TForm1::AlarmClock1Alarm() { backup_.Run(backup::RunKind::kScheduled); }

void TForm1::Moment_Bak_BtnClick() { backup_.Run(backup::RunKind::kImmediate); }

FormBackup::FormBackup(TForm1& form)
    : form_(form),
      log_(db::ExeDir() + "\\Bak_Info"),
      run_(backup::RunServices{*this, archiver_, files_, *this, *this, *this, *this, clock_, log_}) {}

bool FormBackup::Connected() const { return form_.ADOConnection.Connected(); }

void FormBackup::Connect() { form_.Connect_DB(); }

std::string FormBackup::DatabaseName() const { return form_.DatabaseName; }

std::string FormBackup::CreateBakFile(const std::string& databaseName, const std::string& toDir) {
  form_.ADOQ_Bak.Close();
  form_.ADOQ_Bak.SetParameter("DB", databaseName);
  form_.ADOQ_Bak.SetParameter("ToDir", toDir);
  form_.ADOQ_Bak.Open();
  return form_.ADOQ_Bak.FieldText(0);
}

void FormBackup::Close() noexcept {
  try {
    form_.ADOConnection.Close();
  } catch (...) {
    // A connection the driver already lost has nothing left to close.
  }
}

void FormBackup::ShowBalloon(const backup::Balloon& balloon) {
  form_.TrayIcon1.ShowBalloonHint(balloon.title, balloon.text, IconKind(balloon.icon), balloon.seconds);
}

void FormBackup::MinimizeApp() { form_.TrayIcon1.MinimizeApp(); }

void FormBackup::RestoreApp() { form_.TrayIcon1.RestoreApp(); }

void FormBackup::ProcessMessages() {
  MSG message{};
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // for the message loop, which ends the program
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

std::string FormBackup::BakDir() const { return form_.Bak_Schedule.BakDir(); }

std::string FormBackup::SettingsPath() const { return form_.Bak_Schedule.SettingsPath(); }

void FormBackup::SwitchAlarmOff() { form_.AlarmClock1.SetAlarmEnabled(false); }

void FormBackup::SwitchAlarmOn() { form_.AlarmClock1.SetAlarmEnabled(true); }

void FormBackup::ArmNext() {
  form_.TimeIndex = static_cast<std::uint8_t>(form_.TimeIndex + 1);
  form_.Bak_Schedule.SetNextAlarm(form_.TimeIndex);
}

bool FormBackup::TryBegin() {
  auto scope = form_.Busy.TryEnter(BusyGuard::Activity::backupRun);
  if (!scope) {
    return false;
  }
  busy_.emplace(std::move(*scope));
  return true;
}

void FormBackup::End() noexcept { busy_.reset(); }

}  // namespace app::win32
