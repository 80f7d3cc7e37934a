#pragma once
// `TForm1`: the program's main window, a small panel that normally stays hidden. It owns the tray
// icon with its menu, the alarm clock, the balloon hints and the one-shot start-up timer.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/busy_guard.h"
#include "app/win32/application.h"
#include "app/win32/balloon_hints.h"
#include "app/win32/label.h"
#include "app/win32/main_form_ids.h"
#include "app/win32/main_window_backup.h"
#include "platform/win32/message_handler.h"
#include "app/win32/panel.h"
#include "app/win32/popup_menu.h"
#include "app/win32/speed_button.h"
#include "app/win32/tray_icon.h"
#include "app/win32/win_handles.h"
#include "app/win32/window_timer.h"
#include "db/connect_routine.h"
#include "db/database.h"
#include "platform/clock.h"
#include "schedule/schedule.h"
#include "schedule/win32/alarm_clock.h"

namespace app::win32 {

inline constexpr UINT_PTR kTimer1Id = 1;

class TForm1 final : public MessageHandler, private db::ConnectHost {
 public:
  explicit TForm1(Application& application);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;
  ~TForm1();

  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  [[nodiscard]] Application& App() const { return application_; }
  void Show();
  void Hide();

  // Enables every command of the window; the first successful connection does this.
  void EnableCommands() override;

  // Event handlers.
  void Showpanel_MClick();
  void Hidepanel_MClick();
  void SpeedButton3Click();
  void Refresh_BtnClick();
  void SetTime_BtnClick();
  void Exit_MClick();
  void FormActivate();
  void FormCloseQuery(bool& canClose);
  void Timer1Timer();
  // Handlers whose work belongs to the schedule, backup and database subsystems; their bodies are in
  // main_window_commands.cpp.
  void Refresh_MClick();
  void Settime_MClick();
  void Login_BtnClick();
  void Moment_Bak_BtnClick();
  void AlarmClock1Alarm();
  // The start-up sequence: what Timer1Timer runs once its timer is off.
  void StartupSequence();

  // The connection routine (db/connect_routine.h): returns connected with the commands enabled, or
  // with termination requested; an unreadable Data.dat raises db::IoError. Takes no busy guard: the
  // callers do (a backup run holds it while it connects).
  db::ConnectOutcome Connect_DB();

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void HandleException() noexcept override { application_.HandleException(); }

 private:
  Application& application_;
  UniqueFont font_;      // the form's font, MS Sans Serif 8 pt
  UniqueFont boldFont_;  // its bold variant for the labels and the clock
  UniqueWindow window_;

 public:
  // Components, in the order they are created (and destroyed in reverse).
  TPopupMenu PopupMenu1;
  TMenuItem& Showpanel_M;
  TMenuItem& Hidepanel_M;
  TMenuItem& Refresh_M;
  TMenuItem& Settime_M;
  TMenuItem& Exit_M;
  TTrayIcon TrayIcon1;
  WindowTimer Timer1;
  TPanel Panel1;
  TSpeedButton Refresh_Btn;
  TSpeedButton SetTime_Btn;
  TSpeedButton Login_Btn;
  TSpeedButton Moment_Bak_Btn;
  TSpeedButton SpeedButton3;
  TBevel Bevel1;
  TLabel Label1;
  TPanel Panel2;
  TLabel Label2;  // the next backup time
  TLabel Label3;
  schedule::win32::TAlarmClock AlarmClock1;
  TBalloonHints BalloonHints1;

  // Fields.
  std::string UserName;           // user name of the last successful login
  // Position in the schedule; wraps from 255 to 0. The one value the schedule (Bak_Schedule), the
  // connection routine (1 on every successful connection) and the backup runs work on.
  std::uint8_t TimeIndex = 0;
  std::string DatabaseName;       // program-wide: read from Connect.ini by every Connect_DB
  // Whether a connection routine or a backup run is in progress; the entry points that start one
  // take it and do nothing when it is refused.
  BusyGuard Busy;

  // Database objects (the connection is open only during the start-up check and a backup run).
  db::Connection ADOConnection;
  db::Query ADOQ_Bak;

 private:
  platform::SystemClock clock_;

 public:
  // The schedule of Bak_Info.ini: arms AlarmClock1 and shows the next time on Label2.
  schedule::Schedule Bak_Schedule;

 private:
  void OnCommand(WPARAM wParam, LPARAM lParam);
  void OnButtonClick(int id);
  void OnActivate(WPARAM wParam, HWND previous);
  void OnClose();
  LRESULT OnQueryEndSession();
  void OnEndSession(bool ending);
  void OnTimer(WPARAM id);
  void OnSettingChange();
  void SetUpControls();

  // What the connection routine needs of the window and the application.
  std::unique_ptr<db::ConnectionDialog> MakeConnectionDialog(bool ownedByApplication) override;
  void ShowErrorBox(const std::string& text) override;
  void ShowDefaultErrorBox(const std::string& message) override { application_.ShowException(message); }
  void RestoreApp() override { TrayIcon1.RestoreApp(); }
  void RequestTermination() override { application_.Terminate(); }

  db::ConnectRoutine connectRoutine_;
  FormBackup backup_;  // the scheduled and immediate runs over this window's members
};

}  // namespace app::win32
