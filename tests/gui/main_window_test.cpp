// The main window, its tray icon and the application object, created inside the test process.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "controls/tray_record.h"
#include "controls/win32/application.h"
#include "app/win32/main_window.h"
#include "support/driver.h"

namespace {

using controls::win32::Application;
using app::win32::TForm1;
using namespace gui_test;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      GTEST_SKIP() << "windows need a display (DISPLAY under Wine)";
    }
    application = std::make_unique<Application>();
    application->SetShowMainForm(false);
    application->SetTitle(app::win32::kProgramTitle);
    form = std::make_unique<TForm1>(*application);
    application->SetMainForm(form->Handle());
    form->Hide();
  }
  void TearDown() override {
    form.reset();
    application.reset();
  }

  void SendTrayMouse(UINT mouseMessage) const {
    ::SendMessageA(form->TrayIcon1.Handle(), controls::kTrayCallbackMessage, form->TrayIcon1.Id(), mouseMessage);
  }

  std::unique_ptr<Application> application;
  std::unique_ptr<TForm1> form;
};

RECT RectInParent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST_F(MainWindowTest, PanelIsLaidOutAsDesigned) {
  RECT outer{};
  ::GetWindowRect(form->Handle(), &outer);
  EXPECT_EQ(outer.right - outer.left, 205);
  EXPECT_EQ(outer.bottom - outer.top, 147);
  EXPECT_EQ(outer.left, (::GetSystemMetrics(SM_CXSCREEN) - 205) / 2);
  EXPECT_EQ(::GetWindowLongA(form->Handle(), GWL_STYLE) & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0)
      << "no border icons";

  struct Control {
    HWND window;
    RECT rect;  // left, top, right, bottom within its parent
    bool enabled;
  };
  const Control controls[] = {
      {form->Refresh_Btn.Handle(), {5, 5, 35, 34}, false},
      {form->SetTime_Btn.Handle(), {38, 5, 68, 34}, false},
      {form->Login_Btn.Handle(), {70, 5, 100, 34}, false},
      {form->Moment_Bak_Btn.Handle(), {109, 5, 146, 34}, false},
      {form->SpeedButton3.Handle(), {149, 5, 179, 34}, true},
      {form->Panel2.Handle(), {86, 49, 181, 68}, true},
      {form->AlarmClock1.Handle(), {86, 84, 181, 103}, true},
  };
  for (const Control& c : controls) {
    const RECT rect = RectInParent(c.window);
    EXPECT_EQ(::GetParent(c.window), form->Panel1.Handle());
    EXPECT_TRUE(rect.left == c.rect.left && rect.top == c.rect.top && rect.right == c.rect.right &&
                rect.bottom == c.rect.bottom)
        << ClassName(c.window) << " " << ::GetDlgCtrlID(c.window) << " at " << rect.left << "," << rect.top << " to "
        << rect.right << "," << rect.bottom;
    EXPECT_EQ(::IsWindowEnabled(c.window) != FALSE, c.enabled) << ::GetDlgCtrlID(c.window);
  }
  EXPECT_EQ(RectInParent(form->Label1.Handle()).left, 8);
  EXPECT_EQ(RectInParent(form->Label1.Handle()).top, 51);
  EXPECT_EQ(form->Label1.Caption(), "Waiting time:");
  EXPECT_EQ(form->Label2.Caption(), "00:00");
  EXPECT_EQ(form->Label3.Caption(), "Current time:");
  EXPECT_EQ(WindowText(form->Moment_Bak_Btn.Handle()), "[bak]");

  LOGFONTA font{};
  ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(form->Label1.Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(font.lfHeight, -11);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
}

TEST_F(MainWindowTest, TrayMenuShowsItsItemsWithOnlyHistoryAndExitEnabledAndBlocksRestoreWhileOpen) {
  struct Item {
    std::string caption;
    UINT state;
  };
  std::vector<Item> items;
  int defaultPosition = -2;
  bool applicationShownWhileOpen = true;
  std::atomic<bool> done{false};

  std::thread inspector([&] {
    HWND menuWindow = WaitForProcessWindow(::GetCurrentProcessId(), "#32768", nullptr, true);
    if (menuWindow != nullptr) {
      auto menu = reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
      for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char caption[64] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
        items.push_back({caption, ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION)});
      }
      defaultPosition = static_cast<int>(::GetMenuDefaultItem(menu, TRUE, GMDI_USEDISABLED));
      // A left double-click on the icon would restore the application, but not while the menu is open.
      SendTrayMouse(WM_LBUTTONDBLCLK);
      applicationShownWhileOpen = ::IsWindowVisible(application->Handle()) != FALSE;
      ::PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    done = true;
  });
  ::PostMessageA(form->TrayIcon1.Handle(), controls::kTrayCallbackMessage, form->TrayIcon1.Id(), WM_RBUTTONUP);
  WaitUntil([&] { return done.load(); });
  inspector.join();

  ASSERT_EQ(items.size(), 10u) << "no menu, or not the tray menu";
  const std::vector<std::string> captions{"Show panel...", "", "Hide panel...", "",         "Refresh", "",
                                          "Set time...",   "", "History...",    "Exit"};
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].caption, captions[i]) << i;
    const bool separator = (items[i].state & MF_SEPARATOR) != 0;
    EXPECT_EQ(separator, captions[i].empty()) << i;
    if (!separator) {
      EXPECT_EQ((items[i].state & MF_GRAYED) == 0, captions[i] == "Exit" || captions[i] == "History...")
          << captions[i];
    }
  }
  EXPECT_EQ(defaultPosition, 0) << "\"Show panel...\" is the default item";
  EXPECT_FALSE(applicationShownWhileOpen);
  PumpMessages(200);
  EXPECT_FALSE(::IsWindowVisible(application->Handle()));
}

TEST_F(MainWindowTest, TrayIconReturnsAfterAShellRestartAndLeavesAtSessionEnd) {
  HWND tray = form->TrayIcon1.Handle();
  const UINT id = form->TrayIcon1.Id();
  ASSERT_TRUE(IconKnownToShell(tray, id));
  EXPECT_EQ(form->TrayIcon1.Layout(), controls::TrayLayout::kVersion5);

  // A restarted shell has lost the icon; its broadcast brings it back.
  NOTIFYICONDATAA lost{};
  lost.cbSize = NOTIFYICONDATAA_V2_SIZE;
  lost.hWnd = tray;
  lost.uID = id;
  ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &lost));
  ASSERT_FALSE(IconKnownToShell(tray, id));
  ::SendMessageA(tray, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(IconKnownToShell(tray, id));
  EXPECT_TRUE(form->TrayIcon1.Enabled());

  EXPECT_EQ(::SendMessageA(tray, WM_QUERYENDSESSION, 0, 0), 1);
  form->TrayIcon1.OnQueryEndSession = [](bool& mayEnd) { mayEnd = false; };
  EXPECT_EQ(::SendMessageA(tray, WM_QUERYENDSESSION, 0, 0), 0);

  int endSessions = 0;
  form->TrayIcon1.OnEndSession = [&] { ++endSessions; };
  ::SendMessageA(tray, WM_ENDSESSION, FALSE, 0);
  EXPECT_TRUE(IconKnownToShell(tray, id));
  ::SendMessageA(tray, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(IconKnownToShell(tray, id));
  EXPECT_EQ(endSessions, 2);
}

TEST_F(MainWindowTest, DestroyingTheWindowRemovesItsIconWhileItsWindowStillExists) {
  // Wine forgets the icons of destroyed windows by itself, so the shell's answer afterwards proves
  // nothing here: what the tray icon asks of the shell while it goes is recorded instead.
  struct Call {
    DWORD action;
    HWND window;
    UINT id;
    bool windowAlive;
  };
  std::vector<Call> calls;
  HWND tray = form->TrayIcon1.Handle();
  const UINT id = form->TrayIcon1.Id();
  form->TrayIcon1.ShellNotifyIcon = [&calls](DWORD action, NOTIFYICONDATAA& data) {
    calls.push_back({action, data.hWnd, data.uID, ::IsWindow(data.hWnd) != FALSE});
    return ::Shell_NotifyIconA(action, &data) != FALSE;
  };
  form.reset();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].action, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(calls[0].window, tray);
  EXPECT_EQ(calls[0].id, id);
  EXPECT_TRUE(calls[0].windowAlive);
  EXPECT_FALSE(::IsWindow(tray));
}

TEST_F(MainWindowTest, MinimisingByAnyMeansHidesTheTaskBarEntryAndRestoringCallsRestoreAppOnce) {
  int minimised = 0;
  int restored = 0;
  form->TrayIcon1.OnMinimizeApp = [&] { ++minimised; };
  form->TrayIcon1.OnRestoreApp = [&] { ++restored; };
  HWND taskBarEntry = application->Handle();

  ::SendMessageA(taskBarEntry, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(::IsIconic(taskBarEntry));
  EXPECT_FALSE(::IsWindowVisible(taskBarEntry));
  EXPECT_EQ(minimised, 1);

  ::SendMessageA(taskBarEntry, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(restored, 1);
  EXPECT_FALSE(::IsIconic(taskBarEntry));
  EXPECT_TRUE(::IsWindowVisible(taskBarEntry));
  EXPECT_FALSE(::IsWindowVisible(form->Handle())) << "the panel only shows once the start-up sequence has ended";

  application->SetShowMainForm(true);
  form->Hidepanel_MClick();
  EXPECT_EQ(minimised, 2);
  form->Showpanel_MClick();
  EXPECT_EQ(restored, 2);
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
}

TEST_F(MainWindowTest, ActivationReturningFromADialogSendsTheApplicationToTheTray) {
  int minimised = 0;
  form->TrayIcon1.OnMinimizeApp = [&] { ++minimised; };
  HWND dialog = ::CreateWindowExA(0, "STATIC", "dialog", WS_POPUP, 0, 0, 10, 10, form->Handle(), nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(dialog, nullptr);

  ::SendMessageA(form->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(minimised, 0) << "the first activation does not come from a dialog";
  ::SendMessageA(form->Handle(), WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(dialog));
  EXPECT_EQ(minimised, 0) << "a window that never reported itself as a form is no dialog of the program";
  application->FormActivated(dialog, form->Handle());
  ::SendMessageA(form->Handle(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(dialog));
  EXPECT_EQ(minimised, 0);
  ::SendMessageA(form->Handle(), WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(dialog));
  EXPECT_EQ(minimised, 1);
  EXPECT_TRUE(::IsIconic(application->Handle()));
  ::SendMessageA(form->Handle(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(minimised, 1) << "back from another program";
  application->FormDestroyed(dialog);
  ::SendMessageA(form->Handle(), WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(dialog));
  EXPECT_EQ(minimised, 1) << "a destroyed dialog hands nothing back";
  ::DestroyWindow(dialog);
}

TEST_F(MainWindowTest, ErrorBoxHasTheTitleTheStopIconAndOnlyOk) {
  std::string text;
  bool stopIcon = false;
  bool ok = false;
  bool cancel = true;
  std::thread inspector([&] {
    HWND box = WaitForProcessWindow(::GetCurrentProcessId(), "#32770", app::win32::kProgramTitle, true);
    if (box == nullptr) {
      return;
    }
    text = WindowText(::GetDlgItem(box, 0xFFFF));
    const HICON hand = ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
      if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        stopIcon = reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0)) == hand;
      }
    }
    ok = ::GetDlgItem(box, IDOK) != nullptr;
    cancel = ::GetDlgItem(box, IDCANCEL) != nullptr;
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  try {
    throw std::runtime_error("Cannot open Connect.ini");
  } catch (...) {
    application->HandleException();
  }
  inspector.join();
  EXPECT_EQ(text, "Cannot open Connect.ini.");
  EXPECT_TRUE(stopIcon);
  EXPECT_TRUE(ok);
  EXPECT_FALSE(cancel);
}

TEST_F(MainWindowTest, StartUpTimerFiresOnceAfterThreeSecondsAndCancelInItsDialogEndsTheProgram) {
  ASSERT_TRUE(form->Timer1.Enabled());
  EXPECT_EQ(form->Timer1.Interval(), 3000u);
  PumpMessages(2500);
  EXPECT_TRUE(form->Timer1.Enabled());
  // The test program's folder has no Connect.ini: the sequence asks for the server; the operator cancels.
  std::atomic<bool> dialogSeen{false};
  std::thread operatorThread([&] {
    HWND dialog = WaitForProcessWindow(::GetCurrentProcessId(), "TForm2", "Connection...", true, 4000);
    if (dialog != nullptr) {
      dialogSeen = true;
      ::PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
  });
  const bool ended = WaitUntil([&] { return application->Terminated(); }, 6000);
  operatorThread.join();
  EXPECT_TRUE(dialogSeen) << "no connection dialog";
  EXPECT_TRUE(ended) << "cancelling the dialog requests termination";
  EXPECT_FALSE(form->Timer1.Enabled()) << "the handler switches its timer off";
  EXPECT_FALSE(form->Refresh_M.Enabled()) << "nothing is enabled without a connection";
  EXPECT_TRUE(application->ShowMainForm()) << "the sequence still runs to its end";
}

}  // namespace
