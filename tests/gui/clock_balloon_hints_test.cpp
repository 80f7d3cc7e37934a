// The balloon hints over real windows: shown after the pause over a disabled button, placed with its
// tail on the mouse, shaped with cut corners and a tail, flipped at the screen's edge, hidden on leaving.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "controls/win32/balloon_hints.h"
#include "platform/win32/gdi_owners.h"
#include "support/driver.h"
#include "support/timer_messages.h"

namespace {

using namespace std::chrono_literals;
using controls::win32::TBalloonHints;
using platform::win32::UniqueRegion;
using platform::win32::UniqueHwnd;
using Steady = std::chrono::steady_clock;

RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

class BalloonHintsOverForm : public ::testing::Test {
 protected:
  void SetUp() override {
    gui_test::RegisterPlainFormClass("HintProbeForm");
  }
  void MakeForm(int x, int y, bool visible = true) {
    form.Reset(::CreateWindowExA(0, "HintProbeForm", "Hint probe", WS_POPUP | WS_BORDER | (visible ? WS_VISIBLE : 0), x,
                                 y, 205, 120, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(form);
    // Disabled, as the panel's buttons are until the first connection: it gets no mouse messages.
    button = ::CreateWindowExA(0, "BUTTON", "[bak]", WS_CHILD | WS_VISIBLE | WS_DISABLED, 109, 5, 35, 29, form.Get(),
                               nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    hints.Attach(form.Get());
    hints.AddTool(button, "Create bak file");
  }
  POINT RestOnButton() {
    const RECT r = WindowRect(button);
    const POINT cursor{r.left + 10, r.top + 12};
    ::SetCursorPos(cursor.x, cursor.y);
    return cursor;
  }
  void TearDown() override { ::SetCursorPos(0, 767); }

  UniqueHwnd form;
  HWND button = nullptr;
  TBalloonHints hints;
};

TEST_F(BalloonHintsOverForm, ShowsAfterThePauseWithTheTailOnTheMouseAndHidesOnLeaving) {
  MakeForm(300, 300);
  const auto start = Steady::now();
  const POINT cursor = RestOnButton();
  ASSERT_TRUE(gui_test::WaitUntil([&] { return hints.HintVisible(); }, 2000)) << "no hint over a disabled button";
  EXPECT_GE(Steady::now() - start, 400ms) << "shown before the hint pause";

  const RECT hint = WindowRect(hints.HintWindow());
  EXPECT_EQ(hint.left, cursor.x - 10) << "upper-right corner: left edge 10 pixels left of the mouse";
  EXPECT_EQ(hint.bottom, cursor.y) << "upper-right corner: bottom at the mouse";
  EXPECT_GE(hint.right - hint.left, 55);

  // The shape: corners cut by 4, 2 and 1 pixels, the tail's tip on the mouse's column.
  UniqueRegion shape(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(hints.HintWindow(), shape.Get()), ERROR);
  const int w = hint.right - hint.left;
  const int h = hint.bottom - hint.top;
  struct Pixel {
    int x, y;
    bool inside;
  };
  for (const Pixel& p : {Pixel{3, 0, false}, Pixel{4, 0, true}, Pixel{1, 1, false}, Pixel{2, 1, true},
                         Pixel{0, 2, false}, Pixel{1, 2, true}, Pixel{0, 3, false}, Pixel{0, 4, true},
                         Pixel{w - 5, 0, true}, Pixel{w - 4, 0, false}, Pixel{w - 1, 3, false}, Pixel{w - 1, 4, true},
                         Pixel{10, h - 1, true}, Pixel{9, h - 1, false}, Pixel{w - 1, h - 1, false}}) {
    EXPECT_EQ(::PtInRegion(shape.Get(), p.x, p.y) != FALSE, p.inside) << "pixel " << p.x << "," << p.y;
  }

  ::SetCursorPos(cursor.x, cursor.y + 80);  // off the button, still over the form
  EXPECT_TRUE(gui_test::WaitUntil([&] { return !hints.HintVisible(); }, 1000)) << "the hint stayed after leaving";
}

TEST_F(BalloonHintsOverForm, FlipsAtTheTopAndRightEdgesOfTheWorkArea) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoA(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  MakeForm(monitor.rcWork.right - 160, monitor.rcWork.top);
  const POINT cursor = RestOnButton();
  ASSERT_TRUE(gui_test::WaitUntil([&] { return hints.HintVisible(); }, 2000));
  const RECT hint = WindowRect(hints.HintWindow());
  EXPECT_EQ(hint.top, cursor.y) << "past the top: hangs below the mouse";
  EXPECT_EQ(hint.right, cursor.x - 1) << "past the right edge: ends 1 pixel left of the mouse";
  // Lower-left corner: the tail is at the top, on the right.
  UniqueRegion shape(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(hints.HintWindow(), shape.Get()), ERROR);
  const int w = hint.right - hint.left;
  // Its tip is one pixel off the mouse, as the bottom tail's is (the window starts at the mouse's row).
  EXPECT_TRUE(::PtInRegion(shape.Get(), w - 10, 1)) << "tail tip";
  EXPECT_FALSE(::PtInRegion(shape.Get(), w - 11, 1));
  EXPECT_FALSE(::PtInRegion(shape.Get(), 10, 1));
}

TEST_F(BalloonHintsOverForm, WatchesTheMouseOnlyWhileTheFormIsShownAndStartsAgainWhenItShows) {
  MakeForm(300, 300, false);  // the panel starts hidden, as the program's does
  const POINT cursor = RestOnButton();
  {
    gui_test::TimerMessages polls(hints.HintWindow());
    gui_test::PumpMessages(700);
    EXPECT_EQ(polls.Count(), 0) << "a hidden form's hints woke the program";
  }
  EXPECT_FALSE(hints.Polling());
  EXPECT_FALSE(hints.HintVisible());

  ::ShowWindow(form.Get(), SW_SHOWNORMAL);
  EXPECT_TRUE(hints.Polling());
  ASSERT_TRUE(gui_test::WaitUntil([&] { return hints.HintVisible(); }, 2000)) << "no hint once the form showed";

  // Hidden with its hint up: the hint goes, then the polling stops.
  ::ShowWindow(form.Get(), SW_HIDE);
  EXPECT_TRUE(gui_test::WaitUntil([&] { return !hints.HintVisible() && !hints.Polling(); }, 1000));
  {
    gui_test::TimerMessages polls(hints.HintWindow());
    gui_test::PumpMessages(500);
    EXPECT_EQ(polls.Count(), 0);
  }

  // Shown again another way (a window position change), the mouse still resting on the button.
  ::SetWindowPos(form.Get(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  ::SetCursorPos(cursor.x + 1, cursor.y);
  EXPECT_TRUE(gui_test::WaitUntil([&] { return hints.HintVisible(); }, 2000)) << "no hint after the second showing";
}

}  // namespace
