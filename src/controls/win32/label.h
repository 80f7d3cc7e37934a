#pragma once
// Static text controls of a form: a label that sizes itself to its caption, a label centred in a
// given box, and a bevel line.
#include <windows.h>

#include <string>

#include "platform/win32/message_handler.h"
#include "controls/win32/win_handles.h"

namespace controls::win32 {

class TLabel {
 public:
  // Sized to the caption in the font, top-left at (x, y).
  TLabel(HWND parent, int id, int x, int y, const std::string& caption, HFONT font);
  // Filling the box, caption centred both ways.
  TLabel(HWND parent, int id, const RECT& box, const std::string& caption, HFONT font);
  TLabel(const TLabel&) = delete;
  TLabel& operator=(const TLabel&) = delete;

  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  [[nodiscard]] std::string Caption() const;
  void SetCaption(const std::string& caption);

 private:
  UniqueHandlerWindow window_;
};

// A horizontal etched line, as a bevel of the top-line shape.
class TBevel {
 public:
  TBevel(HWND parent, int id, int x, int y, int width);
  TBevel(const TBevel&) = delete;
  TBevel& operator=(const TBevel&) = delete;
  [[nodiscard]] HWND Handle() const { return window_.Get(); }

 private:
  UniqueHandlerWindow window_;
};

}  // namespace controls::win32
