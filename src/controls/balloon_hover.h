#pragma once
// When a hint shows and hides, decided from periodic samples of which control the mouse rests on.
// Window-free, so the timing rules are tested without a mouse.
#include <cstdint>

namespace controls {

class HoverTracker {
 public:
  static constexpr int kNoTool = -1;

  enum class Action {
    kNone,
    kShow,  // show the hint of CurrentTool() at the mouse
    kHide,
  };

  // pause: rest before the first hint; shortPause: before the next one when the mouse goes straight
  // from a shown hint's control to another control.
  HoverTracker(unsigned pause, unsigned shortPause) : pause_(pause), shortPause_(shortPause) {}

  void SetPauses(unsigned pause, unsigned shortPause) {
    pause_ = pause;
    shortPause_ = shortPause;
  }

  // One sample: the control under the mouse (kNoTool for none), whether a mouse button is down,
  // and a monotonic time in milliseconds.
  Action Update(int tool, bool buttonDown, std::uint64_t nowMs);

  [[nodiscard]] int CurrentTool() const { return current_; }
  [[nodiscard]] bool Shown() const { return shown_; }

 private:
  unsigned pause_;
  unsigned shortPause_;
  int current_ = kNoTool;
  std::uint64_t enteredAt_ = 0;
  bool shown_ = false;
  bool quick_ = false;       // came straight from a shown hint: the short pause applies
  bool suppressed_ = false;  // clicked: no hint until the mouse leaves the control
};

}  // namespace controls
