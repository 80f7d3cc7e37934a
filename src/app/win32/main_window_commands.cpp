// The main window's handlers whose work belongs to other subsystems: the schedule's Refresh and
// settings dialog, the database login and the start-up sequence (the backup runs are in
// main_window_backup.cpp).
#include <windows.h>

#include "app/win32/main_window.h"
#include "db/win32/connection_dialog.h"

#include "db/program_dir.h"
#include "settings/win32/backup_settings_dialog.h"

namespace app::win32 {

// Reloads the schedule and arms its next time, shown on Label2.
void TForm1::Refresh_MClick() { Bak_Schedule.Refresh(); }

// The settings dialog, owned by this window, shown modally and destroyed; nothing is refreshed after
// it: each reader of Bak_Info.ini picks up the saved settings at its next reading.
void TForm1::Settime_MClick() {
  settings::win32::TForm10 dialog(application_, window_.Get(), db::ExeDir() + db::kBakInfoSuffix);
  dialog.ShowModal();
}

void TForm1::Login_BtnClick() {
  const auto busy = Busy.TryEnter(BusyGuard::Activity::connecting);
  if (!busy) {
    return;
  }
  connectRoutine_.Login();
  Refresh_M.Click();  // also after Cancel
}

db::ConnectOutcome TForm1::Connect_DB() { return connectRoutine_.Connect_DB(); }

// Runs once, three seconds after start, with Timer1 already off. An exception (an unreadable
// Data.dat, a time entry Refresh cannot read) skips the rest and reaches the default error box.
void TForm1::StartupSequence() {
  const auto busy = Busy.TryEnter(BusyGuard::Activity::connecting);
  if (!busy) {
    return;
  }
  Connect_DB();
  Refresh_M.Click();  // acts only when the connection enabled it
  if (ADOConnection.Connected()) {
    TrayIcon1.ShowBalloonHint("INFO", "Checkup of connection is completed successfully!!!",
                              TBalloonIconKind::bikInfo, 10);
    ADOConnection.Close();
  }
  TrayIcon1.MinimizeApp();
  application_.SetShowMainForm(true);
}

std::unique_ptr<db::ConnectionDialog> TForm1::MakeConnectionDialog(bool /*ownedByApplication*/) {
  // Both kinds are owned by the application's window, as every form of the program: "without owner"
  // only means that nobody but the command itself destroys it.
  return std::make_unique<db::win32::TForm2>(application_);
}

void TForm1::ShowErrorBox(const std::string& text) {
  HWND owner = ::GetActiveWindow();
  if (owner == nullptr) {
    owner = application_.Handle();
  }
  ::MessageBoxA(owner, text.c_str(), "Error", MB_OK | MB_ICONSTOP);
}

}  // namespace app::win32
