#include "controls/balloon_hover.h"

namespace controls {

HoverTracker::Action HoverTracker::Update(int tool, bool buttonDown, std::uint64_t nowMs) {
  if (tool != current_) {
    const bool wasShown = shown_;
    current_ = tool;
    enteredAt_ = nowMs;
    shown_ = false;
    suppressed_ = buttonDown;  // entering with a button held (dragging) shows nothing
    quick_ = wasShown && tool != kNoTool;
    return wasShown ? Action::kHide : Action::kNone;
  }
  if (tool == kNoTool) {
    return Action::kNone;
  }
  if (buttonDown) {
    suppressed_ = true;
    if (shown_) {
      shown_ = false;
      return Action::kHide;
    }
    return Action::kNone;
  }
  if (!shown_ && !suppressed_ && nowMs - enteredAt_ >= (quick_ ? shortPause_ : pause_)) {
    shown_ = true;
    return Action::kShow;
  }
  return Action::kNone;
}

}  // namespace controls
