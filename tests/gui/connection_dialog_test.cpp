// The connection dialog TForm2, created in the test process: its layout, its two modes, where the
// focus goes, and what Enter, Escape and the close box give back.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/win32/application.h"
#include "db/win32/connection_dialog.h"
#include "support/driver.h"

namespace {

using namespace db::win32;
using db::DialogEntries;
using db::DialogMode;
using db::DialogRequest;
using gui_test::DisplayAvailable;

// Runs `step` from a thread timer inside the dialog's own loop, until it returns false.
std::function<bool()> g_step;
void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (!g_step || !g_step()) {
    ::KillTimer(nullptr, id);
    g_step = nullptr;
  }
}

class ConnectionDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      GTEST_SKIP() << "windows need a display (DISPLAY under Wine)";
    }
    application = std::make_unique<controls::win32::Application>();
    application->SetTitle("QEL 26.1 Dumpwarden");
    dialog = std::make_unique<TForm2>(*application);
  }
  void TearDown() override {
    g_step = nullptr;
    dialog.reset();
    application.reset();
  }

  // Shows the dialog; each timer tick records the focus and presses the next key of `keys`.
  std::optional<DialogEntries> Run(const DialogRequest& request, std::vector<WPARAM> keys) {
    focus.clear();
    std::size_t next = 0;
    g_step = [this, keys, next]() mutable {
      HWND now = ::GetFocus();
      focus.push_back(now);
      if (next == 0) {
        ::SendMessageA(dialog->User_Edit.Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&userSelStart),
                       reinterpret_cast<LPARAM>(&userSelEnd));
        connectPanelVisible = ::IsWindowVisible(dialog->Connect_Panel.Handle()) != FALSE;
        loginPanelVisible = ::IsWindowVisible(dialog->Login_Panel.Handle()) != FALSE;
        active = ::GetActiveWindow();
      }
      if (next >= keys.size()) {
        return false;
      }
      ::PostMessageA(now != nullptr ? now : dialog->Handle(), WM_KEYDOWN, keys[next++], 1);
      return true;
    };
    ::SetTimer(nullptr, 0, 30, StepTimer);
    return dialog->ShowModal(request);
  }

  std::unique_ptr<controls::win32::Application> application;
  std::unique_ptr<TForm2> dialog;
  std::vector<HWND> focus;
  DWORD userSelStart = 0;
  DWORD userSelEnd = 0;
  bool connectPanelVisible = false;
  bool loginPanelVisible = false;
  HWND active = nullptr;
};

RECT PlaceInParent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ExpectPlace(HWND control, int x, int y, int width, int height, const char* name) {
  const RECT r = PlaceInParent(control);
  EXPECT_EQ(r.left, x) << name;
  EXPECT_EQ(r.top, y) << name;
  EXPECT_EQ(r.right - r.left, width) << name;
  EXPECT_EQ(r.bottom - r.top, height) << name;
}

bool IsBold(HWND control) {
  auto font = reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0));
  LOGFONTA log{};
  return font != nullptr && ::GetObjectA(font, sizeof log, &log) == sizeof log && log.lfWeight >= FW_BOLD;
}

TEST_F(ConnectionDialogTest, IsLaidOutAsDesigned) {
  HWND form = dialog->Handle();
  EXPECT_EQ(gui_test::WindowText(form), "Connection...");
  EXPECT_EQ(gui_test::ClassName(form), "TForm2");
  RECT client{};
  ::GetClientRect(form, &client);
  EXPECT_EQ(client.right, 282);
  EXPECT_EQ(client.bottom, 142);
  const auto style = ::GetWindowLongPtrA(form, GWL_STYLE);
  EXPECT_NE(style & WS_SYSMENU, 0) << "a close box";
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0) << "fixed dialog border, no other box";
  RECT outer{};
  ::GetWindowRect(form, &outer);
  EXPECT_LE(std::abs((outer.left + outer.right) / 2 - ::GetSystemMetrics(SM_CXSCREEN) / 2), 1) << "centred";
  EXPECT_LE(std::abs((outer.top + outer.bottom) / 2 - ::GetSystemMetrics(SM_CYSCREEN) / 2), 1) << "centred";

  ExpectPlace(dialog->Connect_Panel.Handle(), 0, 0, 277, 101, "Connect_Panel");
  ExpectPlace(dialog->Login_Panel.Handle(), 0, 0, 277, 101, "Login_Panel");
  // The server panel lies on top: first in the window order of the form's children.
  EXPECT_EQ(::GetWindow(form, GW_CHILD), dialog->Connect_Panel.Handle());

  struct LabelCase {
    HWND label;
    HWND panel;
    int y;
    const char* text;
  };
  for (const LabelCase& c : {LabelCase{::GetDlgItem(dialog->Connect_Panel.Handle(), kServerLabelId),
                                       dialog->Connect_Panel.Handle(), 4, "Server:"},
                             LabelCase{::GetDlgItem(dialog->Connect_Panel.Handle(), kDatabaseLabelId),
                                       dialog->Connect_Panel.Handle(), 52, "Database:"},
                             LabelCase{::GetDlgItem(dialog->Login_Panel.Handle(), kUserLabelId),
                                       dialog->Login_Panel.Handle(), 4, "User:"},
                             LabelCase{::GetDlgItem(dialog->Login_Panel.Handle(), kPasswordLabelId),
                                       dialog->Login_Panel.Handle(), 52, "Password:"}}) {
    ASSERT_NE(c.label, nullptr) << c.text;
    EXPECT_EQ(gui_test::WindowText(c.label), c.text);
    const RECT r = PlaceInParent(c.label);
    EXPECT_EQ(r.left, 4) << c.text;
    EXPECT_EQ(r.top, c.y) << c.text;
    EXPECT_TRUE(IsBold(c.label)) << c.text;
  }
  ExpectPlace(dialog->Server_Edit.Handle(), 4, 20, 265, 21, "Server_Edit");
  ExpectPlace(dialog->Database_Edit.Handle(), 4, 68, 265, 21, "Database_Edit");
  ExpectPlace(dialog->User_Edit.Handle(), 4, 20, 265, 21, "User_Edit");
  ExpectPlace(dialog->Password_Edit.Handle(), 4, 68, 265, 21, "Password_Edit");
  EXPECT_EQ(::SendMessageA(dialog->Password_Edit.Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(::SendMessageA(dialog->User_Edit.Handle(), EM_GETPASSWORDCHAR, 0, 0), 0);

  ExpectPlace(dialog->BitBtn1.Handle(), 63, 108, 75, 25, "BitBtn1");
  ExpectPlace(dialog->BitBtn2.Handle(), 143, 108, 75, 25, "BitBtn2");
  EXPECT_EQ(gui_test::WindowText(dialog->BitBtn1.Handle()), "OK");
  EXPECT_EQ(gui_test::WindowText(dialog->BitBtn2.Handle()), "Cancel");
  EXPECT_EQ(::GetWindowLongPtrA(dialog->BitBtn1.Handle(), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON) << "OK is the default";
  EXPECT_FALSE(::IsWindowVisible(form)) << "created hidden";
}

TEST_F(ConnectionDialogTest, ServerModeStartsInServerEditAndTabFollowsTheDesignedOrder) {
  DialogRequest request;
  request.mode = DialogMode::server;
  const auto result = Run(request, {VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_ESCAPE});
  EXPECT_FALSE(result.has_value()) << "Escape cancels";
  EXPECT_TRUE(connectPanelVisible);
  EXPECT_EQ(active, dialog->Handle()) << "the dialog is the active window while it runs";
  const std::vector<HWND> expected{dialog->Server_Edit.Handle(), dialog->Database_Edit.Handle(),
                                   dialog->User_Edit.Handle(),   dialog->Password_Edit.Handle(),
                                   dialog->BitBtn1.Handle(),     dialog->BitBtn2.Handle(),
                                   dialog->Server_Edit.Handle()};
  EXPECT_EQ(focus, expected);
}

TEST_F(ConnectionDialogTest, EnterGivesBackWhatTheFieldsHold) {
  DialogRequest request;
  request.mode = DialogMode::server;
  request.entries.server = "db-host\\SQLEXPRESS";
  request.entries.database = "QEL";
  const auto result = Run(request, {VK_RETURN});
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->server, "db-host\\SQLEXPRESS");
  EXPECT_EQ(result->database, "QEL");
  EXPECT_EQ(dialog->Mode(), DialogMode::server);
  EXPECT_FALSE(::IsWindowVisible(dialog->Handle())) << "hidden once it ends";
}

TEST_F(ConnectionDialogTest, LoginModeHidesTheServerPanelAndSelectsTheGivenUserName) {
  DialogRequest request;
  request.mode = DialogMode::login;
  request.entries.user = "dumpwarden";
  request.selectUser = true;
  dialog->Password_Edit.SetText("left over");
  const auto result = Run(request, {VK_RETURN});
  EXPECT_FALSE(connectPanelVisible);
  EXPECT_TRUE(loginPanelVisible);
  EXPECT_EQ(dialog->Mode(), DialogMode::login);
  ASSERT_FALSE(focus.empty());
  EXPECT_EQ(focus[0], dialog->User_Edit.Handle());
  EXPECT_EQ(userSelStart, 0u);
  EXPECT_EQ(userSelEnd, 10u) << "all of the user name selected";
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->user, "dumpwarden");
  EXPECT_EQ(result->password, "") << "the password is cleared";
}

TEST_F(ConnectionDialogTest, TheCloseBoxCancelsAndTheSameDialogCanBeShownAgain) {
  DialogRequest request;
  request.mode = DialogMode::server;
  g_step = [this] {
    ::PostMessageA(dialog->Handle(), WM_CLOSE, 0, 0);
    return false;
  };
  ::SetTimer(nullptr, 0, 30, StepTimer);
  EXPECT_FALSE(dialog->ShowModal(request).has_value());

  request.mode = DialogMode::login;
  request.entries.user = "second";
  const auto again = Run(request, {VK_RETURN});
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->user, "second");
}

}  // namespace
