// dumpwarden.exe itself, driven from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "app/win32/main_form_ids.h"
#include "support/program_fixture.h"

namespace {

using namespace gui_test;
using app::win32::kAlarmClock1Id;
using app::win32::kHidepanelMCommand;
using app::win32::kRefreshBtnId;
using app::win32::kRefreshMCommand;
using app::win32::kSettimeMCommand;
using app::win32::kShowpanelMCommand;
using app::win32::kSpeedButton3Id;


class DumpwardenTest : public ProgramFixture {};

TEST_F(DumpwardenTest, StartsWithoutAWindowAndWithItsIconInTheTray) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_PROGRAM_EXE));
  PumpMessages(500);
  EXPECT_FALSE(HasVisibleWindow(pid));
  EXPECT_FALSE(::IsWindowVisible(form));
  EXPECT_FALSE(::IsWindowVisible(application));
  EXPECT_TRUE(program->Running());
}

TEST_F(DumpwardenTest, RightButtonReleaseOpensTheMenuAndEscapeClosesIt) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_PROGRAM_EXE));
  PostTrayMouse(WM_LBUTTONDOWN);
  PostTrayMouse(WM_LBUTTONUP);
  PostTrayMouse(WM_RBUTTONDOWN);
  LetHandle(tray);
  EXPECT_EQ(FindProcessWindow(pid, "#32768", nullptr, true), nullptr) << "only the release opens the menu";

  PostTrayMouse(WM_RBUTTONUP);
  HWND menu = WaitForProcessWindow(pid, "#32768", nullptr, true);
  ASSERT_NE(menu, nullptr) << "no popup menu";
  ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(menu); }));
  EXPECT_TRUE(program->Running());
  EXPECT_FALSE(::IsWindowVisible(form));
}

TEST_F(DumpwardenTest, ExitChosenInTheMenuEndsTheProgramAndRemovesItsIcon) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_PROGRAM_EXE));
  PostTrayMouse(WM_RBUTTONUP);
  HWND menu = WaitForProcessWindow(pid, "#32768", nullptr, true);
  ASSERT_NE(menu, nullptr) << "no popup menu";
  // From no selection, Up selects the last item, "Exit".
  ::PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
  ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(program->WaitForExit(kWaitMs)) << "Exit did not end the program";
  EXPECT_EQ(program->ExitCode(), 0u);
  // Windows keeps a dead program's icon until the mouse passes over it; Wine drops it with the window,
  // so under Wine main_window_test.cpp's destruction test is the one that shows the removal.
  EXPECT_FALSE(IconKnownToShell(tray, kProgramTrayIconId));
}

TEST_F(DumpwardenTest, HistoryChosenInTheMenuOpensItsWindowAndEscapeClosesIt) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_PROGRAM_EXE));
  PostTrayMouse(WM_RBUTTONUP);
  HWND menu = WaitForProcessWindow(pid, "#32768", nullptr, true);
  ASSERT_NE(menu, nullptr) << "no popup menu";
  // Up selects "Exit", the last item; once more, "History..." right above it.
  ::PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
  ::PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
  ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  HWND history = WaitForProcessWindow(pid, "THistoryForm", "History", true);
  ASSERT_NE(history, nullptr) << "no history window before any connection";
  EXPECT_TRUE(::IsWindowEnabled(form)) << "not modal";

  // Escape reaches it through the program's own message loop.
  HWND list = ::GetDlgItem(history, 301);
  ASSERT_NE(list, nullptr);
  ::PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(history); })) << "closed and destroyed";
  EXPECT_TRUE(program->Running());
}

TEST_F(DumpwardenTest, OnlyExitActsBeforeTheFirstConnection) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_PROGRAM_EXE));
  // Each of these would restore or minimise the application if it acted.
  for (UINT command : {kShowpanelMCommand, kHidepanelMCommand, kRefreshMCommand, kSettimeMCommand}) {
    ::SendMessageA(form, WM_COMMAND, command, 0);
  }
  ::SendMessageA(Control(kSpeedButton3Id), BM_CLICK, 0, 0);  // enabled, clicks the disabled "Hide panel..."
  ::SendMessageA(Control(kRefreshBtnId), BM_CLICK, 0, 0);    // disabled
  LetHandle(form);
  EXPECT_FALSE(::IsWindowVisible(application));
  EXPECT_FALSE(ApplicationMinimised());
  EXPECT_FALSE(::IsWindowVisible(form));
  EXPECT_TRUE(::IsWindowEnabled(Control(kSpeedButton3Id)));
  EXPECT_FALSE(::IsWindowEnabled(Control(kRefreshBtnId)));
  EXPECT_TRUE(program->Running());
}

TEST_F(DumpwardenTest, RestoreBeforeStartUpEndsShowsNoPanel) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_PROGRAM_EXE));
  PostTrayMouse(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(application) != FALSE; })) << "the task-bar entry comes back";
  LetHandle(form);
  EXPECT_FALSE(::IsWindowVisible(form));
}

TEST_F(DumpwardenTest, EveryCloseRequestIsRefused) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_PROGRAM_EXE));
  ::SendMessageA(form, WM_CLOSE, 0, 0);
  ::SendMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0);
  ::SendMessageA(application, WM_CLOSE, 0, 0);
  ::SendMessageA(application, WM_SYSCOMMAND, SC_CLOSE, 0);
  ::PostMessageA(form, WM_SYSKEYDOWN, VK_F4, 0x20000001);  // Alt+F4: bit 29 is the Alt key
  ::PostMessageA(form, WM_SYSKEYUP, VK_F4, static_cast<LPARAM>(0xE0000001u));
  LetHandle(form);
  EXPECT_FALSE(program->WaitForExit(500));
  EXPECT_TRUE(::IsWindow(form));
  EXPECT_TRUE(IconKnownToShell(tray, kProgramTrayIconId));
}

TEST_F(DumpwardenTest, SessionEndIsAgreedToAndEndsTheProgram) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_PROGRAM_EXE));
  EXPECT_EQ(::SendMessageA(form, WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(::SendMessageA(tray, WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_EQ(::SendMessageA(application, WM_QUERYENDSESSION, 0, 0), TRUE);

  // A session end that was called off changes nothing.
  ::SendMessageA(tray, WM_ENDSESSION, FALSE, 0);
  ::SendMessageA(form, WM_ENDSESSION, FALSE, 0);
  EXPECT_FALSE(program->WaitForExit(500));
  EXPECT_TRUE(IconKnownToShell(tray, kProgramTrayIconId));

  // The session ends: Windows tells every top-level window.
  ::SendMessageA(tray, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(IconKnownToShell(tray, kProgramTrayIconId)) << "the tray window removes the icon itself";
  ::SendMessageA(application, WM_ENDSESSION, TRUE, 0);
  ::SendMessageA(form, WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(program->WaitForExit(kWaitMs));
}

TEST_F(DumpwardenTest, ClockShowsTheLocalTime) {
  ASSERT_NO_FATAL_FAILURE(Start(DW_PROGRAM_EXE));
  HWND clock = Control(kAlarmClock1Id);
  ASSERT_NE(clock, nullptr);
  auto hoursAndMinutes = [] {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u", now.wHour, now.wMinute);
    return std::string(text);
  };
  // Read between two readings of the time, so that a minute turning over in between is no failure.
  std::string before;
  std::string shown;
  std::string after;
  const bool matched = WaitUntil([&] {
    before = hoursAndMinutes();
    shown = WindowText(clock);
    after = hoursAndMinutes();
    return shown == before || shown == after;
  }, 3000);
  EXPECT_TRUE(matched) << "clock shows \"" << shown << "\", local time " << before << " / " << after;
}

}  // namespace
