#include "settings/win32/directory_edit.h"

#include <vector>

#include "app/win32/res/resource_ids.h"
#include "settings/win32/choosers.h"

namespace settings::win32 {
namespace {

constexpr int kBrowseButtonId = 1;
constexpr int kBrowseButtonWidth = 19;

controls::win32::WindowPlacement BrowseButtonPlace(HWND edit) {
  RECT client{};
  ::GetClientRect(edit, &client);
  return {client.right - kBrowseButtonWidth, 0, kBrowseButtonWidth, client.bottom};
}

std::string ControlText(HWND edit) {
  const int length = ::GetWindowTextLengthA(edit);
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = ::GetWindowTextA(edit, text.data(), length + 1);
  return std::string(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

}  // namespace

TDirectoryEdit::TDirectoryEdit(HWND edit, DirectoryField& field, platform::win32::ExceptionSink& errors)
    : edit_(edit),
      field_(field),
      button_(std::make_unique<controls::win32::TSpeedButton>(errors, edit, kBrowseButtonId, BrowseButtonPlace(edit))),
      subclass_(edit, errors, [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); }) {
  // The text stops short of the button, and the EDIT does not paint over it.
  ::SetWindowLongPtrA(edit_, GWL_STYLE, ::GetWindowLongPtrA(edit_, GWL_STYLE) | WS_CLIPCHILDREN);
  ::SendMessageA(edit_, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, kBrowseButtonWidth + 1));
  button_->SetGlyphs(controls::win32::TGlyph(IDB_BROWSE_FOLDER));
  button_->SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  Refresh();
}

void TDirectoryEdit::Refresh() {
  const bool before = updating_;
  updating_ = true;
  ::SetWindowTextA(edit_, field_.text.c_str());
  updating_ = before;
}

void TDirectoryEdit::Browse() {
  TakeTextFromControl();
  const std::string start = field_.BrowseStart([](const std::string& folder) { return DirectoryExists(folder); });
  if (const auto picked = ChooseFolder(::GetAncestor(edit_, GA_ROOT), start)) {
    field_.Picked(picked->path, picked->exists);
    Refresh();
  }
}

std::optional<LRESULT> TDirectoryEdit::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (updating_) {
    return std::nullopt;
  }
  switch (message) {
    case WM_CHAR: {
      WPARAM c = wParam;
      if (OnKeyPress) {
        OnKeyPress(c);
      }
      if (c == 0) {
        return 0;
      }
      const LRESULT result = subclass_.CallControl(message, c, lParam);
      TakeTextFromControl();
      return result;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kBrowseButtonId && HIWORD(wParam) == BN_CLICKED) {
        Browse();
        return 0;
      }
      return std::nullopt;
    case WM_LBUTTONUP: {
      const LRESULT result = subclass_.CallControl(message, wParam, lParam);
      if (OnClick) {
        OnClick();
      }
      return result;
    }
    case WM_KEYDOWN:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case WM_SETTEXT:
    case EM_REPLACESEL:
    case WM_CONTEXTMENU: {
      // What changes the text without a typed character: Delete, Shift+Insert, the context menu, code.
      const LRESULT result = subclass_.CallControl(message, wParam, lParam);
      TakeTextFromControl();
      return result;
    }
    case WM_SIZE: {
      const LRESULT result = subclass_.CallControl(message, wParam, lParam);
      const auto place = BrowseButtonPlace(edit_);
      ::MoveWindow(button_->Handle(), place.x, place.y, place.width, place.height, TRUE);
      return result;
    }
    default:
      return std::nullopt;
  }
}

void TDirectoryEdit::TakeTextFromControl() { field_.text = ControlText(edit_); }

}  // namespace settings::win32
