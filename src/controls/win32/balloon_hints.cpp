#include "controls/win32/balloon_hints.h"

#include <algorithm>
#include <stdexcept>

namespace controls::win32 {
namespace {

using platform::win32::PaintDC;
using platform::win32::SelectedObject;
using platform::win32::UniqueRegion;
using platform::win32::WindowDC;

constexpr char kClassName[] = "DumpwardenBalloonHint";
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollWhileShown = 50;     // the owner is visible: fine enough for the short hint pause
constexpr UINT kTextFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

Rect ToRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

UniqueRegion OutlineRegion(Size window, THintCorner corner, bool showBalloon) {
  std::vector<POINT> points;
  for (const Point& p : BalloonOutline(window, corner, showBalloon)) {
    points.push_back(POINT{p.x, p.y});
  }
  return UniqueRegion(::CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING));
}

bool MouseButtonDown() {
  return ((::GetAsyncKeyState(VK_LBUTTON) | ::GetAsyncKeyState(VK_RBUTTON) | ::GetAsyncKeyState(VK_MBUTTON)) &
          0x8000) != 0;
}

}  // namespace

TBalloonHints::TBalloonHints() : tracker_(HintPause, HintShortPause) {}

TBalloonHints::~TBalloonHints() {
  ownerWatch_.reset();
  window_.Reset();
}

void TBalloonHints::Attach(HWND owner) {
  if (window_) {
    throw std::logic_error("The balloon hints are attached already");
  }
  owner_ = owner;
  font_.Reset(::CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma"));
  platform::win32::RegisterHandlerClass(kClassName, ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)),
                                        nullptr, nullptr, CS_SAVEBITS);
  // Owned by the form, so it goes away with it; WM_NCCREATE hands the handle to window_.
  const HWND window = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kClassName, "", WS_POPUP,
                                        0, 0, 0, 0, owner, nullptr, ::GetModuleHandleA(nullptr),
                                        static_cast<MessageHandler*>(this));
  if (window == nullptr) {
    throw std::runtime_error("Unable to create the hint window");
  }
  ownerWatch_ = std::make_unique<WindowSubclass>(owner_, *this, [this](UINT message, WPARAM wParam, LPARAM lParam) {
    OnOwnerMessage(message, wParam, lParam);
    return std::optional<LRESULT>{};
  });
  if (::IsWindowVisible(owner_) != FALSE) {
    SetPollPeriod(kPollWhileShown);
  }
}

void TBalloonHints::OnOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool shown = (message == WM_SHOWWINDOW && wParam != FALSE) ||
                     (message == WM_WINDOWPOSCHANGED &&
                      (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) != 0);
  if (shown) {
    SetPollPeriod(kPollWhileShown);
  }
}

void TBalloonHints::AddTool(HWND control, const std::string& hint) {
  const auto found = std::find_if(tools_.begin(), tools_.end(), [&](const Tool& t) { return t.control == control; });
  if (found != tools_.end()) {
    found->hint = hint;
    return;
  }
  tools_.push_back(Tool{control, hint});
}

bool TBalloonHints::HintVisible() const { return window_ && ::IsWindowVisible(window_.Get()) != FALSE; }

void TBalloonHints::SetPollPeriod(UINT milliseconds) {
  if (pollPeriod_ != milliseconds && window_ && ::SetTimer(window_.Get(), kPollTimer, milliseconds, nullptr) != 0) {
    pollPeriod_ = milliseconds;
  }
}

void TBalloonHints::StopPolling() {
  if (pollPeriod_ != 0 && window_) {
    ::KillTimer(window_.Get(), kPollTimer);
  }
  pollPeriod_ = 0;
}

int TBalloonHints::ToolUnderCursor(POINT cursor) const {
  const HWND hit = ::WindowFromPoint(cursor);
  if (hit != nullptr && hit == window_.Get()) {
    return tracker_.CurrentTool();  // resting on the balloon itself is not leaving the control
  }
  // Disabled controls are skipped by WindowFromPoint (it answers their parent), so the test is by
  // rectangle, with the hit window only proving that no other window covers the point.
  const HWND hitRoot = hit != nullptr ? ::GetAncestor(hit, GA_ROOT) : nullptr;
  for (std::size_t i = 0; i < tools_.size(); ++i) {
    const HWND control = tools_[i].control;
    if (::IsWindow(control) == FALSE || ::IsWindowVisible(control) == FALSE) {
      continue;
    }
    RECT bounds{};
    ::GetWindowRect(control, &bounds);
    if (::PtInRect(&bounds, cursor) != FALSE && hitRoot == ::GetAncestor(control, GA_ROOT)) {
      return static_cast<int>(i);
    }
  }
  return HoverTracker::kNoTool;
}

LRESULT TBalloonHints::OnTimer() {
  const bool ownerVisible = owner_ != nullptr && ::IsWindowVisible(owner_) != FALSE;
  POINT cursor{};
  int tool = HoverTracker::kNoTool;
  if (ownerVisible && ::GetCursorPos(&cursor) != FALSE) {
    tool = ToolUnderCursor(cursor);
  }
  tracker_.SetPauses(HintPause, HintShortPause);
  switch (tracker_.Update(tool, MouseButtonDown(), ::GetTickCount64())) {
    case HoverTracker::Action::kShow:
      Show(tool, cursor);
      break;
    case HoverTracker::Action::kHide:
      Hide();
      break;
    case HoverTracker::Action::kNone:
      break;
  }
  // Hidden, with its hint gone: nothing to watch until the owner shows again.
  if (!ownerVisible && !HintVisible()) {
    StopPolling();
  }
  return 0;
}

void TBalloonHints::Show(int tool, POINT cursor) {
  const Tool& hinted = tools_[static_cast<std::size_t>(tool)];
  RECT measured{0, 0, CaptionWidth, 0};
  {
    WindowDC dc(window_.Get());
    SelectedObject font(dc.Get(), font_.Get());
    ::DrawTextA(dc.Get(), hinted.hint.c_str(), -1, &measured, kTextFormat | DT_CALCRECT);
  }
  shownText_ = hinted.hint;
  textSize_ = Size{measured.right - measured.left, measured.bottom - measured.top};
  windowSize_ = BalloonWindowSize(textSize_, Corner, ShowBalloon);

  RECT controlBounds{};
  ::GetWindowRect(hinted.control, &controlBounds);
  const Point target = TailTarget(ToRect(controlBounds), Point{cursor.x, cursor.y}, CenterThreshold);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoA(::MonitorFromPoint(POINT{target.x, target.y}, MONITOR_DEFAULTTONEAREST), &monitor);
  const BalloonPlacement placement = PlaceBalloon(windowSize_, target, Corner, ToRect(monitor.rcWork));
  shownCorner_ = placement.corner;

  UniqueRegion shape = OutlineRegion(windowSize_, shownCorner_, ShowBalloon);
  if (shape && ::SetWindowRgn(window_.Get(), shape.Get(), FALSE) != 0) {
    shape.Release();  // the window system owns the region now
  }
  ::SetWindowPos(window_.Get(), HWND_TOPMOST, placement.window.left, placement.window.top, placement.window.Width(),
                 placement.window.Height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(window_.Get(), nullptr, TRUE);
}

void TBalloonHints::Hide() { ::ShowWindow(window_.Get(), SW_HIDE); }

LRESULT TBalloonHints::OnPaint() {
  PaintDC dc(window_.Get());
  const UniqueRegion shape = OutlineRegion(windowSize_, shownCorner_, ShowBalloon);
  ::FillRgn(dc.Get(), shape.Get(), ::GetSysColorBrush(ColorIndex));
  // One region for body and tail, so no line separates them.
  ::FrameRgn(dc.Get(), shape.Get(), ::GetSysColorBrush(FrameColorIndex), 1, 1);

  SelectedObject font(dc.Get(), font_.Get());
  ::SetBkMode(dc.Get(), TRANSPARENT);
  ::SetTextColor(dc.Get(), ::GetSysColor(TextColorIndex));
  const Rect text = BalloonTextRect(textSize_, shownCorner_, ShowBalloon);
  RECT textRect{text.left, text.top, text.right, text.bottom};
  ::DrawTextA(dc.Get(), shownText_.c_str(), -1, &textRect, kTextFormat | DT_NOCLIP);
  return 0;
}

LRESULT TBalloonHints::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      window_.Reset(window);
      break;
    case WM_NCDESTROY:
      // Destroyed with its owner: the window system has taken the handle back.
      ::KillTimer(window, kPollTimer);
      pollPeriod_ = 0;
      window_.Release();
      break;
    case WM_TIMER:
      return OnTimer();
    case WM_PAINT:
      return OnPaint();
    case WM_ERASEBKGND:
      return 1;  // the paint fills the shape itself
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // the balloon never takes the mouse
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace controls::win32
