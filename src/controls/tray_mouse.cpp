#include "controls/tray_mouse.h"

namespace controls {
namespace {

struct Row {
  std::uint32_t notification;
  TTrayIconClicks click;  // ticNone for balloon notices: they never restore or open the menu
  TrayEvent event;
};

constexpr Row kRows[] = {
    {0x201, TTrayIconClicks::ticLeftClick, TrayEvent::kLButtonDown},
    {0x202, TTrayIconClicks::ticLeftClickUp, TrayEvent::kLButtonUp},
    {0x203, TTrayIconClicks::ticLeftDblClick, TrayEvent::kLButtonDblClick},
    {0x204, TTrayIconClicks::ticRightClick, TrayEvent::kRButtonDown},
    {0x205, TTrayIconClicks::ticRightClickUp, TrayEvent::kRButtonUp},
    {0x206, TTrayIconClicks::ticRightDblClick, TrayEvent::kRButtonDblClick},
    {0x403, TTrayIconClicks::ticNone, TrayEvent::kBalloonHintHide},
    {0x404, TTrayIconClicks::ticNone, TrayEvent::kBalloonHintClose},
    {0x405, TTrayIconClicks::ticNone, TrayEvent::kBalloonHintClick},
};

}  // namespace

TrayCallbackPlan PlanTrayCallback(std::uint32_t notification, TTrayIconClicks restoreOn, TTrayIconClicks popupMenuOn) {
  TrayCallbackPlan plan;
  for (const Row& row : kRows) {
    if (row.notification != notification) {
      continue;
    }
    if (row.click != TTrayIconClicks::ticNone) {
      plan.restore = restoreOn == row.click;
      plan.popup = popupMenuOn == row.click;
    }
    plan.event = row.event;
    break;
  }
  return plan;
}

}  // namespace controls
