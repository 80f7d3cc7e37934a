// The main window's handlers whose work belongs to other subsystems: the schedule's Refresh and
// settings dialog, the database login, the backup runs and the start-up sequence. Until those
// subsystems are wired in, they do nothing; their buttons and menu items stay disabled meanwhile,
// so only AlarmClock1Alarm and StartupSequence can be reached.
#include "app/win32/main_window.h"

namespace app::win32 {

void TForm1::Refresh_MClick() {}

void TForm1::Settime_MClick() {}

void TForm1::Login_BtnClick() {}

void TForm1::Moment_Bak_BtnClick() {}

void TForm1::AlarmClock1Alarm() {}

// Runs once, three seconds after start, with Timer1 already off. Its steps (Connect_DB, Refresh_M,
// the balloon "Checkup of connection is completed successfully!!!", closing the connection,
// TrayIcon1.MinimizeApp and Application ShowMainForm on) arrive with the database connection.
void TForm1::StartupSequence() {}

}  // namespace app::win32
