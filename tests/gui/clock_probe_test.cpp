// The clock control in a real window: its text follows the local time, its ticks are served inside
// modal loops, a failing alarm handler is reported and later alarms still fire, and it can be torn
// down while the user-interface thread is busy.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/gdi_owners.h"
#include "support/driver.h"
#include "schedule/win32/alarm_clock.h"

namespace {

using namespace std::chrono_literals;
using platform::win32::UniqueFont;
using platform::win32::UniqueHwnd;
using schedule::win32::TAlarmClock;
using Steady = std::chrono::steady_clock;

std::string HourMinute(const SYSTEMTIME& t) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02u:%02u", static_cast<unsigned>(t.wHour), static_cast<unsigned>(t.wMinute));
  return text;
}

SYSTEMTIME LocalNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return now;
}

// What a test driver reads: the control's window text.
std::string ClockText(HWND clock) {
  char text[64] = {};
  ::SendMessageA(clock, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

// Arms the alarm `ahead` seconds from now (second-exact, so it falls in the same or the next minute).
void ArmAhead(TAlarmClock& clock, int ahead) {
  const SYSTEMTIME now = LocalNow();
  const int total = ((now.wHour * 60 + now.wMinute) * 60 + now.wSecond + ahead) % 86400;
  clock.SetAlarmHour(static_cast<std::uint8_t>(total / 3600));
  clock.SetAlarmMinute(static_cast<std::uint8_t>(total / 60 % 60));
  clock.SetAlarmSecond(static_cast<std::uint8_t>(total % 60));
  clock.SetAlarmEnabled(true);
}

class ClockWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    gui_test::RegisterPlainFormClass("ClockProbeForm");
    form.Reset(::CreateWindowExA(0, "ClockProbeForm", "Clock probe", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 100,
                                 100, 205, 147, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(form);
    bold.Reset(::CreateFontA(-11, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
    clock = std::make_unique<TAlarmClock>();
    // As the main window sets it up.
    clock->Create(form.Get(), 86, 84, 95, 19, 100);
    clock->SetShowSeconds(false);
    clock->SetFont(bold.Get());
  }
  void TearDown() override {
    clock.reset();
    form.Reset();
  }

  UniqueFont bold;
  UniqueHwnd form;
  std::unique_ptr<TAlarmClock> clock;
};

TEST_F(ClockWindow, TextIsTheLocalTimeInHoursAndMinutes) {
  EXPECT_FALSE(clock->AlarmEnabled()) << "the main window's alarm stays off until the schedule arms it";
  gui_test::PumpMessages(1500);
  const SYSTEMTIME before = LocalNow();
  const std::string text = ClockText(clock->Handle());
  const SYSTEMTIME after = LocalNow();
  // Tolerate a minute turning over while reading.
  EXPECT_TRUE(text == HourMinute(before) || text == HourMinute(after)) << "shows " << text;
}

BOOL CALLBACK PressOkOfMessageBox(HWND window, LPARAM) {
  char className[16] = {};
  ::GetClassNameA(window, className, sizeof(className));
  if (std::string(className) == "#32770") {
    ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
  }
  return TRUE;
}

// Closes the first message box of this thread once it is up.
VOID CALLBACK CloseMessageBox(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::EnumThreadWindows(::GetCurrentThreadId(), &PressOkOfMessageBox, 0);
}

TEST_F(ClockWindow, AlarmFiresInsideAModalMessageBox) {
  bool insideModal = false;
  int firedInside = 0;
  int firedOutside = 0;
  clock->OnAlarm = [&] { ++(insideModal ? firedInside : firedOutside); };
  ArmAhead(*clock, 2);
  ::SetTimer(nullptr, 0, 3500, &CloseMessageBox);
  insideModal = true;
  ::MessageBoxA(form.Get(), "Waiting for the alarm", "Clock probe", MB_OK);
  insideModal = false;
  EXPECT_EQ(firedInside, 1);
  EXPECT_EQ(firedOutside, 0);
}

TEST_F(ClockWindow, FailingAlarmHandlerIsReportedAndLaterAlarmsStillFire) {
  std::vector<std::string> errors;
  int fired = 0;
  clock->OnTickError = [&](const std::string& message) { errors.push_back(message); };
  clock->OnAlarm = [&] {
    ++fired;
    if (fired == 1) {
      throw std::runtime_error("Bakup failed");
    }
  };
  ArmAhead(*clock, 1);
  ASSERT_TRUE(gui_test::WaitUntil([&] { return !errors.empty(); }, 4000)) << "the failure was not reported";
  EXPECT_EQ(errors, std::vector<std::string>{"Bakup failed"});

  ArmAhead(*clock, 1);
  EXPECT_TRUE(gui_test::WaitUntil([&] { return fired == 2; }, 4000)) << "no alarm fired after the failure";
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(ClockWindow, DestructionWhileTheUiThreadIsBusyDoesNotHang) {
  gui_test::PumpMessages(200);
  // Busy: the worker's next hand-over is posted but nobody serves it.
  ::Sleep(1000);
  const auto start = Steady::now();
  clock.reset();
  EXPECT_LT(Steady::now() - start, 1s);
  gui_test::PumpMessages(300);  // the stale request message must find nothing to run
}

TEST_F(ClockWindow, ParentDestroyedFirstLeavesAClockThatStillTicksAndDies) {
  int fired = 0;
  clock->OnAlarm = [&] { ++fired; };
  form.Reset();
  EXPECT_EQ(clock->Handle(), nullptr);
  ArmAhead(*clock, 1);
  EXPECT_TRUE(gui_test::WaitUntil([&] { return fired == 1; }, 4000)) << "the alarm must not depend on the window";
}

}  // namespace
