#pragma once
// What a notification from the shell about the tray icon means: which mouse action it is, whether it
// restores the application or opens the popup menu, and which event it raises.
#include <cstdint>
#include <optional>

namespace controls {

enum class TTrayIconClicks {
  ticNone = 0,
  ticLeftClick = 1,
  ticLeftDblClick = 2,
  ticLeftClickUp = 3,
  ticRightClick = 4,
  ticRightDblClick = 5,
  ticRightClickUp = 6,
};

enum class TrayEvent {
  kLButtonDown,
  kLButtonUp,
  kLButtonDblClick,
  kRButtonDown,
  kRButtonUp,
  kRButtonDblClick,
  kBalloonHintHide,
  kBalloonHintClose,
  kBalloonHintClick,
};

struct TrayCallbackPlan {
  bool restore = false;  // RestoreApp first
  bool popup = false;    // then the popup menu
  std::optional<TrayEvent> event;  // then this event; none for values the tray does not know
};

// notification: the mouse or balloon message the shell put into the callback's second parameter.
TrayCallbackPlan PlanTrayCallback(std::uint32_t notification, TTrayIconClicks restoreOn, TTrayIconClicks popupMenuOn);

}  // namespace controls
