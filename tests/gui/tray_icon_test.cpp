// The tray icon against a notification area that is not ready yet (a start with Windows before the
// shell takes icons) and its timers: a refused add comes back on "TaskbarCreated" and on timed
// retries, never for a disabled icon, and no timer wakes the program once there is nothing to do.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "controls/win32/application.h"
#include "controls/win32/tray_icon.h"
#include "support/driver.h"
#include "support/timer_messages.h"

namespace {

using controls::win32::Application;
using controls::win32::TTrayIcon;
using namespace gui_test;

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      GTEST_SKIP() << "windows need a display (DISPLAY under Wine)";
    }
    application = std::make_unique<Application>();
    tray = std::make_unique<TTrayIcon>(*application, nullptr);
    // A shell that refuses every call until it is ready, as one that starts after the program does.
    tray->ShellNotifyIcon = [this](DWORD action, NOTIFYICONDATAA& data) {
      if (action == NIM_ADD) {
        addTimes.push_back(::GetTickCount64());
      }
      if (!shellReady || refusalsLeft > 0) {
        refusalsLeft -= action == NIM_ADD && refusalsLeft > 0 ? 1 : 0;
        return false;
      }
      return ::Shell_NotifyIconA(action, &data) != FALSE;
    };
  }
  void TearDown() override {
    tray.reset();
    application.reset();
  }

  [[nodiscard]] bool Shown() const { return IconKnownToShell(tray->Handle(), tray->Id()); }
  void SendTaskbarCreated() const { ::SendMessageA(tray->Handle(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0); }

  std::unique_ptr<Application> application;
  std::unique_ptr<TTrayIcon> tray;
  bool shellReady = true;
  int refusalsLeft = 0;  // adds still to refuse once the shell is ready
  std::vector<ULONGLONG> addTimes;
};

TEST_F(TrayIconTest, ARefusedAddComesBackWhenTheTaskBarIsCreated) {
  tray->AddRetryPlan = controls::TrayAddRetryPlan{60000, 120000};  // no timed retry within this test
  shellReady = false;
  tray->Loaded();
  EXPECT_FALSE(Shown());
  EXPECT_FALSE(tray->Enabled()) << "not shown: the task-bar entry must not be hidden on minimising";
  EXPECT_TRUE(tray->AddRetryPending());
  tray->MinimizeApp();
  EXPECT_TRUE(::IsWindowVisible(application->Handle())) << "no icon, yet the task-bar entry was hidden";
  tray->RestoreApp();

  SendTaskbarCreated();  // a shell that announces itself too early refuses again
  EXPECT_FALSE(Shown());
  EXPECT_EQ(addTimes.size(), 2u);

  shellReady = true;
  SendTaskbarCreated();
  EXPECT_TRUE(Shown());
  EXPECT_TRUE(tray->Enabled());
  EXPECT_FALSE(tray->AddRetryPending());
  EXPECT_EQ(addTimes.size(), 3u);

  // Shown, the icon takes over from the task-bar entry on minimising.
  tray->MinimizeApp();
  EXPECT_FALSE(::IsWindowVisible(application->Handle()));
}

TEST_F(TrayIconTest, TimedRetriesAddTheIconWithGrowingWaitsAndThenStop) {
  tray->AddRetryPlan = controls::TrayAddRetryPlan{100, 10000};
  refusalsLeft = 3;
  tray->Loaded();
  EXPECT_FALSE(Shown());
  ASSERT_TRUE(WaitUntil([&] { return Shown(); }, 5000)) << "no timed retry added the icon";
  EXPECT_TRUE(tray->Enabled());
  EXPECT_FALSE(tray->AddRetryPending());
  ASSERT_EQ(addTimes.size(), 4u);
  // Waits of 100, 200 and 400 ms (Windows' timers may fire a little early, never much).
  EXPECT_GE(addTimes[1] - addTimes[0], 90u);
  EXPECT_GE(addTimes[2] - addTimes[1], 190u);
  EXPECT_GE(addTimes[3] - addTimes[2], 390u);

  TimerMessages timers(tray->Handle());
  PumpMessages(600);
  EXPECT_EQ(addTimes.size(), 4u);
  EXPECT_EQ(timers.Count(), 0) << "a shown icon keeps no retry timer";
}

TEST_F(TrayIconTest, RetriesGiveUpInTimeAndTheTaskBarStillBringsTheIconBack) {
  tray->AddRetryPlan = controls::TrayAddRetryPlan{20, 300};
  shellReady = false;
  tray->Loaded();
  TimerMessages timers(tray->Handle());
  EXPECT_TRUE(WaitUntil([&] { return !tray->AddRetryPending(); }, 3000)) << "the retries never gave up";
  const std::size_t adds = addTimes.size();
  EXPECT_GE(adds, 3u);  // the first add and retries after 20, 60, 140 and 300 ms, some possibly merged by a slow timer
  EXPECT_LE(adds, 5u);
  EXPECT_LE(addTimes.back() - addTimes.front(), 1000u);
  timers.Reset();
  PumpMessages(400);
  EXPECT_EQ(addTimes.size(), adds);
  EXPECT_EQ(timers.Count(), 0);

  shellReady = true;
  SendTaskbarCreated();
  EXPECT_TRUE(Shown());
  EXPECT_TRUE(tray->Enabled());
}

TEST_F(TrayIconTest, ADisabledIconIsNeverAddedByRetriesNorByTheTaskBar) {
  tray->AddRetryPlan = controls::TrayAddRetryPlan{30, 2000};
  shellReady = false;
  tray->Loaded();
  ASSERT_EQ(addTimes.size(), 1u);
  tray->SetEnabled(false);
  EXPECT_FALSE(tray->AddRetryPending());
  shellReady = true;
  PumpMessages(400);
  SendTaskbarCreated();
  EXPECT_EQ(addTimes.size(), 1u);
  EXPECT_FALSE(Shown());

  // Disabled before loading: no add at all, no timer; enabled again, it comes at once.
  std::vector<DWORD> actions;  // before the icon, whose destructor still reports to it
  TTrayIcon second(*application, nullptr);
  second.ShellNotifyIcon = [&](DWORD action, NOTIFYICONDATAA& data) {
    actions.push_back(action);
    return ::Shell_NotifyIconA(action, &data) != FALSE;
  };
  second.SetEnabled(false);
  second.Loaded();
  ::SendMessageA(second.Handle(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  PumpMessages(200);
  for (DWORD action : actions) {
    EXPECT_NE(action, static_cast<DWORD>(NIM_ADD));
  }
  EXPECT_FALSE(second.AddRetryPending());
  second.SetEnabled(true);
  EXPECT_TRUE(IconKnownToShell(second.Handle(), second.Id()));
}

TEST_F(TrayIconTest, AnimationTimerRunsOnlyWithTwoImagesAndAnimateReportsWhatWasAsked) {
  tray->Loaded();
  tray->SetInterval(50);
  tray->SetAnimate(true);
  EXPECT_TRUE(tray->Animate());
  TimerMessages timers(tray->Handle());
  PumpMessages(400);
  EXPECT_EQ(timers.Count(), 0) << "no images: nothing to animate";

  std::vector<controls::win32::UniqueIcon> one;
  one.emplace_back(::CopyIcon(application->SmallIcon()));
  tray->SetIcons(std::move(one));
  PumpMessages(400);
  EXPECT_EQ(timers.Count(), 0) << "one image: nothing to animate";

  std::vector<controls::win32::UniqueIcon> two;
  two.emplace_back(::CopyIcon(application->SmallIcon()));
  two.emplace_back(::CopyIcon(application->SmallIcon()));
  tray->SetIcons(std::move(two));
  std::vector<int> indexes;
  ASSERT_TRUE(WaitUntil([&] {
    indexes.push_back(tray->IconIndex());
    return timers.Count() >= 3;
  }, 3000)) << "two images and Animate, yet no animation";
  EXPECT_NE(std::find(indexes.begin(), indexes.end(), 1), indexes.end()) << "the animation never moved on";

  tray->SetAnimate(false);
  EXPECT_FALSE(tray->Animate());
  PumpMessages(100);
  timers.Reset();
  PumpMessages(300);
  EXPECT_EQ(timers.Count(), 0);

  // Asked to animate with no images left: still reported as asked, still no timer.
  tray->SetAnimate(true);
  tray->SetIcons({});
  EXPECT_TRUE(tray->Animate());
  PumpMessages(100);
  timers.Reset();
  PumpMessages(300);
  EXPECT_EQ(timers.Count(), 0);
}

}  // namespace
