// The main window's handlers whose work belongs to the session (app/session.h), and what the
// session is shown through: boxes, balloons, the tray and the panel.
#include <windows.h>

#include "app/win32/main_window.h"
#include "db/program_dir.h"
#include "db/win32/connection_dialog.h"
#include "settings/win32/backup_settings_dialog.h"

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

// Reloads the schedule and arms its next time, shown on Label2.
void TForm1::Refresh_MClick() { session_.Refresh(); }

// The settings dialog, owned by this window, shown modally and destroyed; nothing is refreshed after
// it: each reader of Bak_Info.ini picks up the saved settings at its next reading.
void TForm1::Settime_MClick() {
  settings::win32::TForm10 dialog(application_, window_.Get(), db::ExeDir() + db::kBakInfoSuffix);
  dialog.ShowModal();
}

// The history window needs no connection and is not modal; a second click brings the open one to the front.
void TForm1::History_MClick() {
  if (!history_) {
    history_ = std::make_unique<backup::win32::THistoryForm>(application_, db::ExeDir());
    history_->OnClosed = [this] { ::PostMessageA(window_.Get(), kHistoryClosedMessage, 0, 0); };
  }
  history_->Open();
}

void TForm1::Login_BtnClick() { session_.Login(); }

void TForm1::AlarmClock1Alarm() { session_.ScheduledRun(); }

void TForm1::Moment_Bak_BtnClick() { session_.ImmediateRun(); }

// Runs once, three seconds after start, with Timer1 already off. An exception (an unreadable
// Data.dat, a time entry Refresh cannot read) skips the rest and reaches the default error box.
void TForm1::StartupSequence() {
  if (session_.StartupCheck()) {
    application_.SetShowMainForm(true);
  }
}

void TForm1::EnableCommands() {
  for (TMenuItem* item : {&Showpanel_M, &Hidepanel_M, &Refresh_M, &Settime_M}) {
    item->SetEnabled(true);
  }
  for (TSpeedButton* button : {&Moment_Bak_Btn, &Refresh_Btn, &SetTime_Btn, &Login_Btn}) {
    button->SetEnabled(true);
  }
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

void TForm1::ShowBalloon(const backup::Balloon& balloon) {
  TrayIcon1.ShowBalloonHint(balloon.title, balloon.text, IconKind(balloon.icon), balloon.seconds);
}

void TForm1::ProcessMessages() {
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

}  // namespace app::win32
