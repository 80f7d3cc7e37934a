#pragma once
// A speed button: flat, with no border until the mouse is over it (then a raised edge, pressed:
// sunken), or not flat, always drawn as a raised push button; a glyph or a caption in the middle, the
// hand cursor unless another is set, never the keyboard focus. A click (mouse
// release inside, or BM_CLICK from outside) reaches the parent as WM_COMMAND/BN_CLICKED with the
// button's id, and only while the button is enabled.
#include <windows.h>

#include <string>

#include "controls/win32/glyph.h"
#include "platform/win32/message_handler.h"
#include "controls/win32/win_handles.h"

namespace controls::win32 {

inline constexpr char kSpeedButtonClass[] = "TSpeedButton";

class TSpeedButton final : public MessageHandler {
 public:
  TSpeedButton(ExceptionSink& errors, HWND parent, int id, const WindowPlacement& placement);
  TSpeedButton(const TSpeedButton&) = delete;
  TSpeedButton& operator=(const TSpeedButton&) = delete;

  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  [[nodiscard]] int Id() const { return id_; }

  // The picture, and optionally its own picture for the disabled state (else the picture is greyed).
  void SetGlyphs(TGlyph glyph, TGlyph disabledGlyph = TGlyph());
  void SetCaption(std::string caption);
  void SetFont(HFONT font);
  void SetFlat(bool flat);
  // The mouse cursor over the button (a shared system cursor; it is not destroyed).
  void SetCursor(HCURSOR cursor) { cursor_ = cursor; }
  [[nodiscard]] const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint) { hint_ = std::move(hint); }

  [[nodiscard]] bool Enabled() const;
  void SetEnabled(bool enabled);

  // Tells the parent that the button was clicked, unless it is disabled.
  void Click();

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void HandleException() noexcept override { errors_.HandleException(); }

 private:
  void OnPaint();
  void OnMouseMove(POINT at);
  void OnMouseLeave();
  void OnLButtonDown(POINT at);
  void OnLButtonUp(POINT at);
  void OnCaptureChanged();
  void SetHot(bool hot);
  void SetPressed(bool pressed);
  [[nodiscard]] bool Inside(POINT at) const;

  ExceptionSink& errors_;
  int id_;
  std::string caption_;
  std::string hint_;
  HFONT font_ = nullptr;
  HCURSOR cursor_ = nullptr;
  bool flat_ = true;
  TGlyph glyph_;
  TGlyph disabledGlyph_;
  bool hot_ = false;
  bool pressed_ = false;
  bool tracking_ = false;
  UniqueHandlerWindow window_;
};

}  // namespace controls::win32
