#include "settings/win32/mask_edit.h"

#include <string>

#include "platform/codepage.h"

namespace settings::win32 {
namespace {

bool KeyHeld(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

// Puts a flag up for the duration of a scope.
class Raised {
 public:
  explicit Raised(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
  Raised(const Raised&) = delete;
  Raised& operator=(const Raised&) = delete;
  ~Raised() { flag_ = before_; }

 private:
  bool& flag_;
  bool before_;
};

constexpr WPARAM kCtrlA = 0x01;
constexpr WPARAM kCtrlC = 0x03;
constexpr WPARAM kCtrlV = 0x16;
constexpr WPARAM kCtrlX = 0x18;

}  // namespace

TMaskEdit::TMaskEdit(HWND edit, TimeMaskText& text, platform::win32::ExceptionSink& errors)
    : edit_(edit),
      text_(text),
      subclass_(edit, errors, [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); }) {
  ::SendMessageW(edit_, EM_SETLIMITTEXT, TimeMaskText::kLength, 0);
  Refresh();
}

void TMaskEdit::SetText(const std::string& text) {
  text_.SetText(text);
  Refresh();
}

void TMaskEdit::Refresh() {
  Raised inside(updating_);
  const std::u16string shown = platform::AnsiToUtf16(text_.Shown());
  ::SendMessageW(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  ::SendMessageW(edit_, EM_SETSEL, text_.SelectionStart(), static_cast<LPARAM>(text_.SelectionEnd()));
}

std::optional<LRESULT> TMaskEdit::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (updating_) {
    return std::nullopt;
  }
  switch (message) {
    case WM_GETDLGCODE: {
      // Enter belongs to the field (it adds the time), not to the dialog's default button.
      LRESULT code = subclass_.CallControl(message, wParam, lParam);
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (OnKeyDown) {
        OnKeyDown(wParam);
      }
      return OnKey(wParam);
    case WM_CHAR:
      return OnChar(wParam);
    case WM_PASTE:
      PasteClipboard();
      return 0;
    case WM_COPY:
      CopyToClipboard(text_.SelectedText());
      return 0;
    case WM_CUT:
      CopyToClipboard(text_.Cut());
      Changed(true);
      return 0;
    case WM_CLEAR:
      text_.Delete();
      Changed(true);
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      return FALSE;
    case WM_SETTEXT: {
      std::u16string wide = lParam != 0 ? std::u16string(reinterpret_cast<const char16_t*>(lParam)) : std::u16string();
      SetText(platform::Utf16ToAnsi(wide));
      return TRUE;
    }
    case EM_SETSEL: {
      const std::size_t anchor = static_cast<std::size_t>(wParam);
      const auto end = static_cast<INT_PTR>(lParam);
      if (static_cast<INT_PTR>(wParam) == -1) {  // "remove the selection"
        text_.Select(text_.Caret(), text_.Caret());
      } else {
        text_.Select(anchor, end < 0 ? TimeMaskText::kLength : static_cast<std::size_t>(end));
      }
      Refresh();
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const LRESULT result = subclass_.CallControl(message, wParam, lParam);
      TakeSelectionFromControl();
      return result;
    }
    case WM_LBUTTONUP: {
      const LRESULT result = subclass_.CallControl(message, wParam, lParam);
      TakeSelectionFromControl();
      Refresh();
      return result;
    }
    default:
      return std::nullopt;
  }
}

std::optional<LRESULT> TMaskEdit::OnKey(WPARAM key) {
  const bool shift = KeyHeld(VK_SHIFT);
  switch (key) {
    case VK_LEFT:
      text_.MoveLeft(shift);
      break;
    case VK_RIGHT:
      text_.MoveRight(shift);
      break;
    case VK_HOME:
      text_.MoveHome(shift);
      break;
    case VK_END:
      text_.MoveEnd(shift);
      break;
    case VK_UP:
    case VK_DOWN:
      return 0;
    case VK_DELETE:
      if (shift) {
        CopyToClipboard(text_.Cut());
      } else {
        text_.Delete();
      }
      break;
    case VK_INSERT:
      if (shift) {
        PasteClipboard();
      } else if (KeyHeld(VK_CONTROL)) {
        CopyToClipboard(text_.SelectedText());
      }
      return 0;
    default:
      return std::nullopt;  // Tab, Enter and the rest: the EDIT does nothing with them
  }
  Changed(true);
  return 0;
}

std::optional<LRESULT> TMaskEdit::OnChar(WPARAM c) {
  switch (c) {
    case VK_BACK:
      text_.Backspace();
      Changed(true);
      return 0;
    case VK_RETURN:
    case VK_TAB:
    case VK_ESCAPE:
      return 0;  // handled as keys; no beep
    case kCtrlA:
      text_.SelectAll();
      Changed(true);
      return 0;
    case kCtrlC:
      CopyToClipboard(text_.SelectedText());
      return 0;
    case kCtrlX:
      CopyToClipboard(text_.Cut());
      Changed(true);
      return 0;
    case kCtrlV:
      PasteClipboard();
      return 0;
    default:
      Changed(c < 0x80 && text_.Type(static_cast<char>(c)));
      return 0;
  }
}

void TMaskEdit::PasteClipboard() {
  std::u16string pasted;
  if (::OpenClipboard(edit_)) {
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* chars = static_cast<const char16_t*>(::GlobalLock(data))) {
        pasted = chars;
        ::GlobalUnlock(data);
      }
    }
    ::CloseClipboard();
  }
  Changed(text_.Paste(platform::Utf16ToAnsi(pasted)));
}

void TMaskEdit::CopyToClipboard(const std::string& text) const {
  if (text.empty() || !::OpenClipboard(edit_)) {
    return;
  }
  ::EmptyClipboard();
  const std::u16string wide = platform::AnsiToUtf16(text);
  if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(char16_t))) {
    if (void* target = ::GlobalLock(memory)) {
      std::char_traits<char16_t>::copy(static_cast<char16_t*>(target), wide.c_str(), wide.size() + 1);
      ::GlobalUnlock(memory);
      if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        ::GlobalFree(memory);
      }
    } else {
      ::GlobalFree(memory);
    }
  }
  ::CloseClipboard();
}

void TMaskEdit::TakeSelectionFromControl() {
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  text_.Select(start, end);
}

void TMaskEdit::Changed(bool accepted) {
  if (!accepted) {
    ::MessageBeep(MB_OK);
  }
  Refresh();
}

}  // namespace settings::win32
