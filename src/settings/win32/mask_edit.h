#pragma once
// `TMaskEdit`: an edit field that follows the time mask "00:00;1;_". Windows has no masked edit, so
// a standard EDIT is put behind a handler that turns every key, paste and selection into an action
// of the window-free TimeMaskText and shows the result; the EDIT only draws text and caret.
#include <windows.h>

#include <functional>
#include <string>

#include "controls/win32/window_subclass.h"
#include "settings/time_mask.h"

namespace settings::win32 {

class TMaskEdit {
 public:
  // edit: a single-line EDIT; `text` is the state it shows and changes (it outlives this object).
  TMaskEdit(HWND edit, TimeMaskText& text, platform::win32::ExceptionSink& errors);
  TMaskEdit(const TMaskEdit&) = delete;
  TMaskEdit& operator=(const TMaskEdit&) = delete;

  [[nodiscard]] HWND Handle() const { return edit_; }
  // The text with a space for every empty place.
  [[nodiscard]] std::string Text() const { return text_.Text(); }
  void SetText(const std::string& text);
  // Shows the state again after the owner changed it.
  void Refresh();

  // Runs for every key pressed in the field, before the field acts on it.
  std::function<void(WPARAM key)> OnKeyDown;

 private:
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> OnChar(WPARAM c);
  std::optional<LRESULT> OnKey(WPARAM key);
  void PasteClipboard();
  void CopyToClipboard(const std::string& text) const;
  void TakeSelectionFromControl();
  void Changed(bool accepted);

  HWND edit_;
  TimeMaskText& text_;
  bool updating_ = false;  // our own messages to the EDIT pass straight through
  controls::win32::WindowSubclass subclass_;
};

}  // namespace settings::win32
