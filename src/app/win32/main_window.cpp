#include "app/win32/main_window.h"

#include "controls/win32/form_font.h"
#include "db/credentials_file.h"
#include "db/program_dir.h"
#include "app/win32/res/resource_ids.h"

namespace app::win32 {
namespace {

constexpr int kFormWidth = 205;
constexpr int kFormHeight = 147;
constexpr UINT kTimer1Interval = 3000;

UniqueHandlerWindow CreateFormWindow(MessageHandler& form, HWND owner) {
  RegisterHandlerClass(kMainFormClass, ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)),
                       ::GetSysColorBrush(COLOR_BTNFACE));
  // Centred on the desktop; a caption but no system menu, so no border icons at all.
  const WindowPlacement centre{(::GetSystemMetrics(SM_CXSCREEN) - kFormWidth) / 2,
                               (::GetSystemMetrics(SM_CYSCREEN) - kFormHeight) / 2, kFormWidth, kFormHeight};
  return CreateHandlerWindow(form, kMainFormClass, kProgramTitle, WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN, 0,
                             centre, owner);
}

WindowPlacement ClientArea(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  return WindowPlacement{0, 0, client.right, client.bottom};
}

TMenuItem& AddAfterSeparator(TPopupMenu& menu, UINT command, const char* caption, bool enabled) {
  menu.AddSeparator();
  return menu.AddItem(command, caption, enabled);
}

void SetUpButton(TSpeedButton& button, const std::string& hint, bool enabled, TGlyph glyph,
                 TGlyph disabledGlyph = TGlyph()) {
  button.SetGlyphs(std::move(glyph), std::move(disabledGlyph));
  button.SetHint(hint);
  button.SetEnabled(enabled);
}

}  // namespace

TForm1::TForm1(Application& application)
    : application_(application),
      font_(MakeFormFont(FW_NORMAL)),
      boldFont_(MakeFormFont(FW_BOLD)),
      window_(CreateFormWindow(*this, application.Handle())),
      Showpanel_M(PopupMenu1.AddItem(kShowpanelMCommand, "Show panel...", false)),
      Hidepanel_M(AddAfterSeparator(PopupMenu1, kHidepanelMCommand, "Hide panel...", false)),  // after N1
      Refresh_M(AddAfterSeparator(PopupMenu1, kRefreshMCommand, "Refresh", false)),            // after N2
      Settime_M(AddAfterSeparator(PopupMenu1, kSettimeMCommand, "Set time...", false)),        // after N4
      // N3 separates "Set time..." from "History..." and "Exit".
      History_M(AddAfterSeparator(PopupMenu1, kHistoryMCommand, "History...", true)),
      Exit_M(PopupMenu1.AddItem(kExitMCommand, "Exit", true)),
      TrayIcon1(application, window_.Get()),
      Timer1(window_.Get(), kTimer1Id, kTimer1Interval),
      Panel1(application, window_.Get(), kPanel1Id, ClientArea(window_.Get()), TPanelBevel::bvRaised,
             TPanelBevel::bvLowered),
      Refresh_Btn(application, Panel1.Handle(), kRefreshBtnId, {5, 5, 30, 29}),
      SetTime_Btn(application, Panel1.Handle(), kSetTimeBtnId, {38, 5, 30, 29}),
      Login_Btn(application, Panel1.Handle(), kLoginBtnId, {70, 5, 30, 29}),
      Moment_Bak_Btn(application, Panel1.Handle(), kMomentBakBtnId, {109, 5, 37, 29}),
      SpeedButton3(application, Panel1.Handle(), kSpeedButton3Id, {149, 5, 30, 29}),
      Bevel1(Panel1.Handle(), kBevel1Id, 5, 38, 179),
      Label1(Panel1.Handle(), kLabel1Id, 8, 51, "Waiting time:", boldFont_.Get()),
      Panel2(application, Panel1.Handle(), kPanel2Id, {86, 49, 95, 19}, TPanelBevel::bvLowered, TPanelBevel::bvNone),
      Label2(Panel2.Handle(), kLabel2Id, Panel2.InnerRect(), "00:00", boldFont_.Get()),
      Label3(Panel1.Handle(), kLabel3Id, 8, 86, "Current time:", boldFont_.Get()),
      session_(*this, AlarmClock1.AlarmState(), clock_, app::SessionSetup{db::ExeDir(), db::Get_CompName()}) {
  SetUpControls();
}

TForm1::~TForm1() { application_.FormDestroyed(window_.Get()); }

void TForm1::SetUpControls() {
  PopupMenu1.SetDefaultItem(Showpanel_M);
  Showpanel_M.OnClick = [this] { Showpanel_MClick(); };
  Hidepanel_M.OnClick = [this] { Hidepanel_MClick(); };
  Refresh_M.OnClick = [this] { Refresh_MClick(); };
  Settime_M.OnClick = [this] { Settime_MClick(); };
  History_M.OnClick = [this] { History_MClick(); };
  Exit_M.OnClick = [this] { Exit_MClick(); };

  SetUpButton(Refresh_Btn, "Refresh", false, TGlyph(IDB_REFRESH), TGlyph(IDB_REFRESH_DISABLED));
  SetUpButton(SetTime_Btn, "Set time...", false, TGlyph(IDB_SETTIME));
  SetUpButton(Login_Btn, "Login...", false, TGlyph(IDB_LOGIN), TGlyph(IDB_LOGIN_DISABLED));
  SetUpButton(Moment_Bak_Btn, "Create bak file", false, TGlyph());
  Moment_Bak_Btn.SetCaption("[bak]");
  Moment_Bak_Btn.SetFont(font_.Get());
  SetUpButton(SpeedButton3, "Minimize", true, TGlyph(IDB_MINIMIZE));

  AlarmClock1.Create(Panel1.Handle(), 86, 84, 95, 19, kAlarmClock1Id);
  AlarmClock1.SetFont(boldFont_.Get());
  AlarmClock1.SetShowSeconds(false);
  // Off until the schedule first arms a time: a program that never connected, or has no backup
  // times, must not run an unscheduled backup at midnight.
  AlarmClock1.SetAlarmEnabled(false);
  AlarmClock1.OnAlarm = [this] { AlarmClock1Alarm(); };
  // The watch over missed backup times rides on the clock's tick: no timer of its own.
  AlarmClock1.OnTick = [this] { session_.Tick(); };
  AlarmClock1.OnTickError = [this](const std::string& message) {
    TrayIcon1.ShowBalloonHint("Error", message, TBalloonIconKind::bikError, 10);
  };

  BalloonHints1.Attach(window_.Get());
  for (const TSpeedButton* button : {&Refresh_Btn, &SetTime_Btn, &Login_Btn, &Moment_Bak_Btn, &SpeedButton3}) {
    BalloonHints1.AddTool(button->Handle(), button->Hint());
  }

  Timer1.SetEnabled(true);

  // Last, as after loading a designed form: from here on the icon is in the notification area.
  TrayIcon1.PopupMenu = &PopupMenu1;
  TrayIcon1.SetAnimate(true);
  TrayIcon1.Loaded();
}

void TForm1::Show() { ::ShowWindow(window_.Get(), SW_SHOWNORMAL); }

void TForm1::Hide() { ::ShowWindow(window_.Get(), SW_HIDE); }

void TForm1::Showpanel_MClick() { TrayIcon1.RestoreApp(); }

void TForm1::Hidepanel_MClick() { TrayIcon1.MinimizeApp(); }

void TForm1::SpeedButton3Click() { Hidepanel_M.Click(); }

void TForm1::Refresh_BtnClick() { Refresh_M.Click(); }

void TForm1::SetTime_BtnClick() { Settime_M.Click(); }

void TForm1::Exit_MClick() { application_.Terminate(); }

void TForm1::FormActivate() { TrayIcon1.MinimizeApp(); }

void TForm1::FormCloseQuery(bool& canClose) { canClose = false; }

void TForm1::Timer1Timer() {
  Timer1.SetEnabled(false);  // first, so that the sequence runs once whatever happens in it
  StartupSequence();
}

LRESULT TForm1::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return 0;
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case WM_ACTIVATE:
      OnActivate(wParam, reinterpret_cast<HWND>(lParam));
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return OnQueryEndSession();
    case WM_ENDSESSION: {
      const LRESULT result = ::DefWindowProcA(window, message, wParam, lParam);
      OnEndSession(wParam != FALSE);
      return result;
    }
    case kHistoryClosedMessage:
      // Unless "History..." opened it again since it posted this.
      if (history_ && !::IsWindowVisible(history_->Handle())) {
        history_.reset();
      }
      return 0;
    case WM_SETTINGCHANGE:
      OnSettingChange();
      break;
    case WM_POWERBROADCAST:
      // The session waits for the network before it looks at what was missed while asleep.
      if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
        session_.Resumed();
      }
      return TRUE;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void TForm1::OnCommand(WPARAM wParam, LPARAM lParam) {
  const auto id = LOWORD(wParam);
  if (lParam == 0) {
    PopupMenu1.Click(id);  // a menu command; the item itself ignores it while disabled
    return;
  }
  if (HIWORD(wParam) == BN_CLICKED) {
    OnButtonClick(id);
  }
}

void TForm1::OnButtonClick(int id) {
  switch (id) {
    case kRefreshBtnId:
      Refresh_BtnClick();
      break;
    case kSetTimeBtnId:
      SetTime_BtnClick();
      break;
    case kLoginBtnId:
      Login_BtnClick();
      break;
    case kMomentBakBtnId:
      Moment_Bak_BtnClick();
      break;
    case kSpeedButton3Id:
      SpeedButton3Click();
      break;
    default:
      break;
  }
}

void TForm1::OnActivate(WPARAM wParam, HWND previous) {
  if (LOWORD(wParam) != WA_INACTIVE && application_.FormActivated(window_.Get(), previous)) {
    FormActivate();
  }
}

void TForm1::OnClose() {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (canClose) {
    application_.Terminate();
  }
}

LRESULT TForm1::OnQueryEndSession() {
  // The window refuses to close, but it must not refuse the end of the Windows session.
  return TRUE;
}

void TForm1::OnEndSession(bool ending) {
  if (ending) {
    application_.Terminate();
  }
}

void TForm1::OnTimer(WPARAM id) {
  if (id == kTimer1Id) {
    Timer1Timer();
  }
}

void TForm1::OnSettingChange() { AlarmClock1.SettingsChanged(); }

}  // namespace app::win32
