#pragma once
// `TBalloonHints`: shows the hints of registered controls in a balloon-shaped window whose tail
// points at the mouse, after the hint delay. The mouse is watched by a short polling timer rather than
// by the controls' own mouse messages, because disabled controls receive none and the panel's buttons
// start disabled. The timer runs only while the owner is shown (or a hint still needs hiding); the
// owner's show messages start it again, so a hidden panel costs no wake-ups.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/balloon_geometry.h"
#include "controls/balloon_hover.h"
#include "platform/win32/gdi_owners.h"
#include "controls/win32/window_subclass.h"
#include "platform/win32/message_handler.h"

namespace controls::win32 {

class TBalloonHints : public platform::win32::MessageHandler, public platform::win32::ExceptionSink {
 public:
  TBalloonHints();
  ~TBalloonHints();
  TBalloonHints(const TBalloonHints&) = delete;
  TBalloonHints& operator=(const TBalloonHints&) = delete;

  // Creates the hint window (hidden) for the owner's windows; call once, on the user-interface thread.
  void Attach(HWND owner);
  // Registers a control (a window of the owner) and its hint; a later call for the same control replaces the hint.
  void AddTool(HWND control, const std::string& hint);

  // Settings; the main window keeps the defaults except FrameColor (COLOR_3DDKSHADOW, also the default here).
  int ColorIndex = COLOR_INFOBK;            // fill, a system colour index
  int FrameColorIndex = COLOR_3DDKSHADOW;   // outline
  int TextColorIndex = COLOR_INFOTEXT;
  int CaptionWidth = 100;                   // text wraps beyond this width
  int CenterThreshold = 0;
  THintCorner Corner = THintCorner::hcUpperRight;
  bool ShowBalloon = true;
  unsigned HintPause = 500;       // ms before the first hint shows
  unsigned HintShortPause = 50;   // ms before the next hint when moving from one shown hint to another control

  [[nodiscard]] HWND HintWindow() const { return window_.Get(); }
  [[nodiscard]] bool HintVisible() const;
  // The mouse is being watched (the poll timer exists).
  [[nodiscard]] bool Polling() const { return pollPeriod_ != 0; }

 private:
  struct Tool {
    HWND control;
    std::string hint;
  };
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void HandleException() noexcept override {}  // dropped: the next poll starts over
  LRESULT OnTimer();
  LRESULT OnPaint();
  void SetPollPeriod(UINT milliseconds);
  void StopPolling();
  void OnOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam);

  [[nodiscard]] int ToolUnderCursor(POINT cursor) const;
  void Show(int tool, POINT cursor);
  void Hide();

  HWND owner_ = nullptr;
  std::vector<Tool> tools_;
  HoverTracker tracker_;
  UINT pollPeriod_ = 0;
  platform::win32::UniqueFont font_;
  platform::win32::UniqueHwnd window_;
  std::unique_ptr<WindowSubclass> ownerWatch_;  // sees the owner being shown
  // What the shown balloon draws.
  std::string shownText_;
  Size textSize_;
  Size windowSize_;
  THintCorner shownCorner_ = THintCorner::hcUpperRight;
};

}  // namespace controls::win32
