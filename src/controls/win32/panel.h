#pragma once
// A panel: a child window in the button-face colour with an outer and an inner bevel, holding other
// controls. Notifications of its controls (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM) go on to its parent,
// so the form that owns the controls handles them whatever panel they sit on.
#include <windows.h>

#include "platform/win32/message_handler.h"
#include "controls/win32/win_handles.h"

namespace controls::win32 {

inline constexpr char kPanelClass[] = "TPanel";

enum class TPanelBevel { bvNone, bvLowered, bvRaised };

class TPanel final : public MessageHandler {
 public:
  TPanel(ExceptionSink& errors, HWND parent, int id, const WindowPlacement& placement, TPanelBevel bevelOuter,
         TPanelBevel bevelInner);
  TPanel(const TPanel&) = delete;
  TPanel& operator=(const TPanel&) = delete;

  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  // The client area less the bevels: where aligned-to-client content goes.
  [[nodiscard]] RECT InnerRect() const;
  // The fill, a system colour index (COLOR_BTNFACE unless set).
  void SetColor(int sysColorIndex);

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void HandleException() noexcept override { errors_.HandleException(); }

 private:
  void OnPaint();
  [[nodiscard]] int BevelCount() const;

  ExceptionSink& errors_;
  TPanelBevel bevelOuter_;
  TPanelBevel bevelInner_;
  int color_ = COLOR_BTNFACE;
  UniqueHandlerWindow window_;
};

}  // namespace controls::win32
