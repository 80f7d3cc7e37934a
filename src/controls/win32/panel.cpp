#include "controls/win32/panel.h"

namespace controls::win32 {
namespace {

// One bevel of one pixel: light on the top and left edges when raised, dark when lowered.
void DrawBevel(HDC dc, RECT& rect, TPanelBevel bevel) {
  if (bevel == TPanelBevel::bvNone) {
    return;
  }
  const UINT edge = bevel == TPanelBevel::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER;
  ::DrawEdge(dc, &rect, edge, BF_RECT | BF_ADJUST);
}

}  // namespace

TPanel::TPanel(ExceptionSink& errors, HWND parent, int id, const WindowPlacement& placement, TPanelBevel bevelOuter,
               TPanelBevel bevelInner)
    : errors_(errors), bevelOuter_(bevelOuter), bevelInner_(bevelInner) {
  RegisterHandlerClass(kPanelClass, ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), nullptr);
  window_ = CreateHandlerWindow(*this, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0,
                                placement, parent, id);
}

int TPanel::BevelCount() const {
  return (bevelOuter_ != TPanelBevel::bvNone ? 1 : 0) + (bevelInner_ != TPanelBevel::bvNone ? 1 : 0);
}

RECT TPanel::InnerRect() const {
  RECT rect{};
  ::GetClientRect(window_.Get(), &rect);
  const int inset = BevelCount();
  ::InflateRect(&rect, -inset, -inset);
  return rect;
}

void TPanel::SetColor(int sysColorIndex) {
  color_ = sysColorIndex;
  ::InvalidateRect(window_.Get(), nullptr, TRUE);
}

LRESULT TPanel::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
      return ::SendMessageA(::GetParent(window), message, wParam, lParam);
    case WM_CTLCOLORSTATIC: {
      // Labels are drawn on the panel's own colour.
      auto dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, ::GetSysColor(color_));
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(color_));
    }
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void TPanel::OnPaint() {
  PaintDC paint(window_.Get());
  RECT rect{};
  ::GetClientRect(window_.Get(), &rect);
  ::FillRect(paint.Get(), &rect, ::GetSysColorBrush(color_));
  DrawBevel(paint.Get(), rect, bevelOuter_);
  DrawBevel(paint.Get(), rect, bevelInner_);
}

}  // namespace controls::win32
