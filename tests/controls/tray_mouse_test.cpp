#include "controls/tray_mouse.h"

#include <gtest/gtest.h>

namespace {

using controls::PlanTrayCallback;
using controls::TrayEvent;
using controls::TTrayIconClicks;

constexpr TTrayIconClicks kRestoreOn = TTrayIconClicks::ticLeftDblClick;
constexpr TTrayIconClicks kPopupOn = TTrayIconClicks::ticRightClickUp;

TEST(TrayCallbackTest, MainWindowSettingsRestoreOnLeftDoubleClickAndOpenMenuOnRightRelease) {
  struct Case {
    std::uint32_t notification;
    bool restore;
    bool popup;
    TrayEvent event;
  };
  for (const Case& c : {Case{0x201, false, false, TrayEvent::kLButtonDown},
                        Case{0x202, false, false, TrayEvent::kLButtonUp},
                        Case{0x203, true, false, TrayEvent::kLButtonDblClick},
                        Case{0x204, false, false, TrayEvent::kRButtonDown},
                        Case{0x205, false, true, TrayEvent::kRButtonUp},
                        Case{0x206, false, false, TrayEvent::kRButtonDblClick},
                        Case{0x403, false, false, TrayEvent::kBalloonHintHide},
                        Case{0x404, false, false, TrayEvent::kBalloonHintClose},
                        Case{0x405, false, false, TrayEvent::kBalloonHintClick}}) {
    const auto plan = PlanTrayCallback(c.notification, kRestoreOn, kPopupOn);
    EXPECT_EQ(plan.restore, c.restore) << std::hex << c.notification;
    EXPECT_EQ(plan.popup, c.popup) << std::hex << c.notification;
    ASSERT_TRUE(plan.event.has_value()) << std::hex << c.notification;
    EXPECT_EQ(*plan.event, c.event) << std::hex << c.notification;
  }
}

TEST(TrayCallbackTest, OtherValuesAreIgnored) {
  // Mouse move, middle button, the balloon "show" notice and its neighbours.
  for (std::uint32_t notification : {0x0u, 0x200u, 0x207u, 0x208u, 0x209u, 0x402u, 0x406u, 0x10203u}) {
    const auto plan = PlanTrayCallback(notification, kRestoreOn, kPopupOn);
    EXPECT_FALSE(plan.restore) << std::hex << notification;
    EXPECT_FALSE(plan.popup) << std::hex << notification;
    EXPECT_FALSE(plan.event.has_value()) << std::hex << notification;
  }
}

TEST(TrayCallbackTest, SettingsChooseTheActionsAndBalloonNoticesNeverMatchTicNone) {
  // One mouse action can both restore and open the menu, restore first.
  auto plan = PlanTrayCallback(0x202, TTrayIconClicks::ticLeftClickUp, TTrayIconClicks::ticLeftClickUp);
  EXPECT_TRUE(plan.restore);
  EXPECT_TRUE(plan.popup);
  // With both actions switched off, no mouse message and no balloon notice triggers them.
  for (std::uint32_t notification : {0x201u, 0x205u, 0x403u, 0x405u}) {
    plan = PlanTrayCallback(notification, TTrayIconClicks::ticNone, TTrayIconClicks::ticNone);
    EXPECT_FALSE(plan.restore) << std::hex << notification;
    EXPECT_FALSE(plan.popup) << std::hex << notification;
    EXPECT_TRUE(plan.event.has_value()) << std::hex << notification;
  }
}

}  // namespace
