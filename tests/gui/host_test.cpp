// The program's windows with test-only commands (dw_gui_host.exe), driven from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/win32/main_form_ids.h"
#include "host/host_commands.h"
#include "support/program_fixture.h"

namespace {

using namespace gui_test;
using app::win32::kLoginBtnId;
using app::win32::kMomentBakBtnId;
using app::win32::kRefreshBtnId;
using app::win32::kSetTimeBtnId;
using app::win32::kShowpanelMCommand;
using app::win32::kSpeedButton3Id;

constexpr int kMessageBoxText = 0xFFFF;

class HostTest : public ProgramFixture {
 protected:
  // Waits for the default error box, reads its message and presses OK.
  std::string AnswerErrorBox() {
    HWND box = WaitForProcessWindow(pid, "#32770", kTitle, true);
    if (box == nullptr) {
      ADD_FAILURE() << "no error box captioned " << kTitle;
      return {};
    }
    const std::string text = WindowText(::GetDlgItem(box, kMessageBoxText));
    EXPECT_NE(::GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }));
    return text;
  }
};

TEST_F(HostTest, ExceptionInAMenuHandlerShowsTheDefaultErrorBoxAndTheProgramGoesOn) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_GUI_HOST_EXE, "throwing"));
  ::PostMessageA(form, WM_COMMAND, kThrowDiskFullCommand, 0);
  EXPECT_EQ(AnswerErrorBox(), "Disk is full.");
  ASSERT_TRUE(program->Running());

  ::PostMessageA(form, WM_COMMAND, kThrowStoppedCommand, 0);
  EXPECT_EQ(AnswerErrorBox(), "Stopped!") << "no period after a character below '.'";
  EXPECT_TRUE(program->Running());
  EXPECT_TRUE(IconKnownToShell(tray, kProgramTrayIconId));
}

TEST_F(HostTest, OnceConnectedShowPanelShowsItAndTheMinimizeButtonHidesIt) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_GUI_HOST_EXE, "connected"));
  // The host connects after its window exists: wait until it has.
  // Wine hides the application window a moment after the minimise: wait for the whole state.
  ASSERT_TRUE(WaitUntil([&] {
    return ::IsWindowEnabled(Control(kRefreshBtnId)) && ApplicationMinimised() && !::IsWindowVisible(form) &&
           !::IsWindowVisible(application);
  }));
  EXPECT_FALSE(::IsWindowVisible(form));
  EXPECT_FALSE(::IsWindowVisible(application)) << "minimised to the tray: no task-bar entry";
  for (int id : {kRefreshBtnId, kSetTimeBtnId, kLoginBtnId, kMomentBakBtnId, kSpeedButton3Id}) {
    EXPECT_TRUE(::IsWindowEnabled(Control(id))) << "control " << id;
  }

  ::SendMessageA(form, WM_COMMAND, kShowpanelMCommand, 0);
  EXPECT_TRUE(::IsWindowVisible(form));
  EXPECT_TRUE(::IsWindowVisible(application));
  EXPECT_FALSE(ApplicationMinimised());

  ::SendMessageA(Control(kSpeedButton3Id), BM_CLICK, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(form));
  EXPECT_FALSE(::IsWindowVisible(application));
  EXPECT_TRUE(ApplicationMinimised());

  // The tray icon's left double-click restores the same way.
  PostTrayMouse(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(form) != FALSE; }));
  EXPECT_TRUE(program->Running());
}

}  // namespace
