#include "controls/win32/speed_button.h"

#include <windowsx.h>

#include <utility>

namespace controls::win32 {

TSpeedButton::TSpeedButton(ExceptionSink& errors, HWND parent, int id, const WindowPlacement& placement)
    : errors_(errors), id_(id) {
  RegisterHandlerClass(kSpeedButtonClass, ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)), nullptr);
  window_ = CreateHandlerWindow(*this, kSpeedButtonClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, placement,
                                parent, id);
}

void TSpeedButton::SetGlyphs(TGlyph glyph, TGlyph disabledGlyph) {
  glyph_ = std::move(glyph);
  disabledGlyph_ = std::move(disabledGlyph);
  ::InvalidateRect(window_.Get(), nullptr, TRUE);
}

void TSpeedButton::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  // The window text is the caption, so that the button can be found and read like any other.
  ::SetWindowTextA(window_.Get(), caption_.c_str());
  ::InvalidateRect(window_.Get(), nullptr, TRUE);
}

void TSpeedButton::SetFont(HFONT font) {
  font_ = font;
  ::InvalidateRect(window_.Get(), nullptr, TRUE);
}

void TSpeedButton::SetFlat(bool flat) {
  flat_ = flat;
  ::InvalidateRect(window_.Get(), nullptr, TRUE);
}

bool TSpeedButton::Enabled() const { return ::IsWindowEnabled(window_.Get()) != FALSE; }

void TSpeedButton::SetEnabled(bool enabled) { ::EnableWindow(window_.Get(), enabled ? TRUE : FALSE); }

void TSpeedButton::Click() {
  if (!Enabled()) {
    return;
  }
  ::SendMessageA(::GetParent(window_.Get()), WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window_.Get()));
}

LRESULT TSpeedButton::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills everything
    case WM_MOUSEMOVE:
      OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_MOUSELEAVE:
      OnMouseLeave();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnLButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_CAPTURECHANGED:
      OnCaptureChanged();
      return 0;
    case WM_ENABLE:
      hot_ = false;
      pressed_ = false;
      ::InvalidateRect(window, nullptr, TRUE);
      return 0;
    case BM_CLICK:
      Click();
      return 0;
    case WM_SETCURSOR:
      if (cursor_ != nullptr && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(cursor_);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void TSpeedButton::OnPaint() {
  PaintDC paint(window_.Get());
  HDC dc = paint.Get();
  RECT client{};
  ::GetClientRect(window_.Get(), &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));

  const bool enabled = Enabled();
  if (!flat_) {
    RECT edge = client;
    ::DrawEdge(dc, &edge, (enabled && pressed_ && hot_) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  } else if (enabled && pressed_ && hot_) {
    ::DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
  } else if (enabled && (hot_ || pressed_)) {
    ::DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
  }
  // A pressed button shows its content one pixel down and to the right.
  const int shift = (enabled && pressed_ && hot_) ? 1 : 0;

  if (!glyph_.Empty()) {
    const SIZE size = glyph_.Size();
    const int x = (client.right - size.cx) / 2 + shift;
    const int y = (client.bottom - size.cy) / 2 + shift;
    if (enabled) {
      glyph_.Draw(dc, x, y);
    } else if (!disabledGlyph_.Empty()) {
      disabledGlyph_.Draw(dc, x, y);
    } else {
      glyph_.DrawGreyed(dc, x, y);
    }
    return;
  }
  if (caption_.empty()) {
    return;
  }
  SelectedObject font(dc, font_ != nullptr ? static_cast<HGDIOBJ>(font_) : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  RECT text = client;
  ::OffsetRect(&text, shift, shift);
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  if (enabled) {
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::DrawTextA(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text, format);
    return;
  }
  // The engraved look of disabled text: a light copy one pixel down-right under a shadow-coloured one.
  RECT light = text;
  ::OffsetRect(&light, 1, 1);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
  ::DrawTextA(dc, caption_.c_str(), static_cast<int>(caption_.size()), &light, format);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
  ::DrawTextA(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text, format);
}

void TSpeedButton::OnMouseMove(POINT at) {
  if (!tracking_) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window_.Get();
    tracking_ = ::TrackMouseEvent(&track) != FALSE;
  }
  SetHot(Inside(at));
}

void TSpeedButton::OnMouseLeave() {
  tracking_ = false;
  if (::GetCapture() != window_.Get()) {
    SetHot(false);
  }
}

void TSpeedButton::OnLButtonDown(POINT at) {
  if (!Enabled()) {
    return;
  }
  ::SetCapture(window_.Get());
  SetHot(Inside(at));
  SetPressed(true);
}

void TSpeedButton::OnLButtonUp(POINT at) {
  if (::GetCapture() != window_.Get()) {
    return;
  }
  const bool clicked = pressed_ && Inside(at);
  ::ReleaseCapture();  // WM_CAPTURECHANGED clears the pressed state
  if (clicked) {
    Click();
  }
}

void TSpeedButton::OnCaptureChanged() {
  SetPressed(false);
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ::ScreenToClient(window_.Get(), &cursor);
  SetHot(Inside(cursor));
}

void TSpeedButton::SetHot(bool hot) {
  if (hot != hot_) {
    hot_ = hot;
    ::InvalidateRect(window_.Get(), nullptr, TRUE);
  }
}

void TSpeedButton::SetPressed(bool pressed) {
  if (pressed != pressed_) {
    pressed_ = pressed;
    ::InvalidateRect(window_.Get(), nullptr, TRUE);
  }
}

bool TSpeedButton::Inside(POINT at) const {
  RECT client{};
  ::GetClientRect(window_.Get(), &client);
  return ::PtInRect(&client, at) != FALSE;
}

}  // namespace controls::win32
