// The main window's handlers whose work belongs to other subsystems: the schedule's Refresh and
// settings dialog, the database login, the backup runs and the start-up sequence. Those not wired in
// yet do nothing; their buttons and menu items stay disabled meanwhile.
#include "app/win32/main_window.h"

#include "db/program_dir.h"
#include "settings/win32/backup_settings_dialog.h"

namespace app::win32 {

void TForm1::Refresh_MClick() {}

// The settings dialog, owned by this window, shown modally and destroyed; nothing is refreshed after
// it: each reader of Bak_Info.ini picks up the saved settings at its next reading.
void TForm1::Settime_MClick() {
  settings::win32::TForm10 dialog(application_, window_.Get(), db::ExeDir() + db::kBakInfoSuffix);
  dialog.ShowModal();
}

void TForm1::Login_BtnClick() {}

void TForm1::Moment_Bak_BtnClick() {}

void TForm1::AlarmClock1Alarm() {}

// Runs once, three seconds after start, with Timer1 already off. Its steps (Connect_DB, Refresh_M,
// the balloon "Checkup of connection is completed successfully!!!", closing the connection,
// TrayIcon1.MinimizeApp and Application ShowMainForm on) arrive with the database connection.
void TForm1::StartupSequence() {}

}  // namespace app::win32
