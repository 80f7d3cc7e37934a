#pragma once
// `TForm1`: the program's main window, a small panel that normally stays hidden. It owns the tray
// icon with its menu, the alarm clock, the balloon hints and the one-shot start-up timer.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/session.h"
#include "backup/win32/history_window.h"
#include "controls/win32/application.h"
#include "controls/win32/balloon_hints.h"
#include "controls/win32/form_font.h"
#include "controls/win32/label.h"
#include "app/win32/main_form_ids.h"
#include "platform/win32/message_handler.h"
#include "controls/win32/panel.h"
#include "controls/win32/popup_menu.h"
#include "controls/win32/speed_button.h"
#include "controls/win32/tray_icon.h"
#include "controls/win32/win_handles.h"
#include "controls/win32/window_timer.h"
#include "platform/clock.h"
#include "schedule/win32/alarm_clock.h"

namespace app::win32 {

// The controls and window plumbing the main window is built of.
using controls::win32::Application;
using controls::win32::CreateHandlerWindow;
using controls::win32::MakeFormFont;
using controls::win32::MessageHandler;
using controls::win32::RegisterHandlerClass;
using controls::win32::TBalloonHints;
using controls::TBalloonIconKind;
using controls::win32::TBevel;
using controls::win32::TGlyph;
using controls::win32::TLabel;
using controls::win32::TMenuItem;
using controls::win32::TPanel;
using controls::win32::TPanelBevel;
using controls::win32::TPopupMenu;
using controls::win32::TSpeedButton;
using controls::win32::TTrayIcon;
using controls::win32::UniqueFont;
using controls::win32::UniqueHandlerWindow;
using controls::win32::WindowPlacement;
using controls::win32::WindowTimer;

inline constexpr UINT_PTR kTimer1Id = 1;

class TForm1 final : public MessageHandler, private app::SessionWindow {
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
  void History_MClick();
  void FormActivate();
  void FormCloseQuery(bool& canClose);
  void Timer1Timer();
  // Handlers whose work belongs to the session; their bodies are in main_window_commands.cpp.
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
  db::ConnectOutcome Connect_DB() { return session_.Connect_DB(); }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void HandleException() noexcept override { application_.HandleException(); }

 private:
  Application& application_;
  UniqueFont font_;      // the form's font, MS Sans Serif 8 pt
  UniqueFont boldFont_;  // its bold variant for the labels and the clock
  UniqueHandlerWindow window_;

 public:
  // Components, in the order they are created (and destroyed in reverse).
  TPopupMenu PopupMenu1;
  TMenuItem& Showpanel_M;
  TMenuItem& Hidepanel_M;
  TMenuItem& Refresh_M;
  TMenuItem& Settime_M;
  TMenuItem& History_M;
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

  // The state and the operations the handlers forward to.
  [[nodiscard]] app::Session& State() { return session_; }
  [[nodiscard]] std::uint8_t TimeIndex() const { return session_.TimeIndex(); }

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

  // What the session needs of the window and the application (app::SessionWindow).
  std::unique_ptr<db::ConnectionDialog> MakeConnectionDialog(bool ownedByApplication) override;
  void ShowErrorBox(const std::string& text) override;
  void ShowDefaultErrorBox(const std::string& message) override { application_.ShowException(message); }
  void RestoreApp() override { TrayIcon1.RestoreApp(); }
  void MinimizeApp() override { TrayIcon1.MinimizeApp(); }
  void RequestTermination() override { application_.Terminate(); }
  void ShowBalloon(const backup::Balloon& balloon) override;
  void ProcessMessages() override;
  void ShowNextTime(const std::string& text) override { Label2.SetCaption(text); }

  platform::SystemClock clock_;
  app::Session session_;
  // Open beside the panel while the operator looks at it; destroyed when closed, and before the rest.
  std::unique_ptr<backup::win32::THistoryForm> history_;
};

}  // namespace app::win32
