#include "schedule/win32/alarm_clock.h"

#include <stdexcept>
#include <utility>

#include "schedule/clock_layout.h"

namespace schedule::win32 {
namespace {

using platform::win32::PaintDC;
using platform::win32::SelectedObject;
using platform::win32::WindowDC;

constexpr char kClassName[] = "DumpwardenAlarmClock";
// Border 0; outer and inner bevel 1 pixel each.
constexpr int kFrameWidth = 2;
constexpr int kBackgroundColor = COLOR_BTNFACE;
constexpr int kTextColor = COLOR_WINDOWTEXT;

std::string LocaleText(LCTYPE item, const char* fallback) {
  char buffer[80] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buffer, sizeof(buffer)) <= 1) {
    return fallback;
  }
  return buffer;
}

// The clock's format with the user's time separator (one character) and AM/PM designators.
ClockFormat RegionalFormat(ClockFormat format) {
  format.timeSeparator = LocaleText(LOCALE_STIME, ":").substr(0, 1);
  format.amDesignator = LocaleText(LOCALE_S1159, "AM");
  format.pmDesignator = LocaleText(LOCALE_S2359, "PM");
  return format;
}

ShownTime ShownFrom(const platform::TimeOfDay& now) { return ShownTime{ComparisonHour(now), now.minute, now.second}; }

RECT ToRect(const CellBox& box) { return RECT{box.left, box.top, box.right, box.bottom}; }

// The cells of the current text in the font selected into dc.
ClockLayout MeasureLayout(HDC dc, HWND window, const std::string& text, std::size_t cellCount) {
  RECT client{};
  ::GetClientRect(window, &client);
  SIZE eight{};
  ::GetTextExtentPoint32A(dc, "8", 1, &eight);
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc, &metrics);
  SIZE designator{};
  if (text.size() > cellCount) {
    ::GetTextExtentPoint32A(dc, text.c_str() + cellCount, static_cast<int>(text.size() - cellCount), &designator);
  }
  return ClockLayout(ClockMetrics{client.right, client.bottom, kFrameWidth, eight.cx, metrics.tmHeight, cellCount,
                                  static_cast<int>(designator.cx)});
}

void DrawCell(HDC dc, const ClockLayout& layout, const std::string& text, std::size_t index) {
  RECT cell = ToRect(layout.Cell(index));
  ::DrawTextA(dc, text.c_str() + index, 1, &cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

TAlarmClock::TAlarmClock() : TAlarmClock(systemClock_) {}

TAlarmClock::TAlarmClock(const platform::Clock& clock)
    : clock_(clock),
      format_(RegionalFormat(ClockFormat{})),
      alarm_(clock_, format_.timeSeparator),
      shown_(ShownFrom(clock_.Now())) {
  platform::win32::RegisterHandlerClass(kClassName, ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)),
                                        nullptr, nullptr, CS_HREDRAW | CS_VREDRAW);
  timer_ = std::make_unique<TTickTimer>(dispatcher_, kTickInterval);
  timer_->SetOnError([this](const std::string& message) { ReportTickError(message); });
  timer_->SetOnTimer([this] { Tick(); });
}

TAlarmClock::~TAlarmClock() {
  timer_.reset();
  window_.Reset();
}

void TAlarmClock::Create(HWND parent, int x, int y, int width, int height, int controlId) {
  if (window_) {
    throw std::logic_error("The clock window exists already");
  }
  // WM_NCCREATE hands the window to window_, so a failed creation leaves nothing behind.
  const HWND window = ::CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                        ::GetModuleHandleA(nullptr), static_cast<MessageHandler*>(this));
  if (window == nullptr) {
    throw std::runtime_error("Unable to create the clock window");
  }
  UpdateWindowText(clock_.Now());
  alarm_.ReArm();  // the stored settings are applied: arm against the current time
}

void TAlarmClock::SetFont(HFONT font) {
  font_ = font;
  FullRepaint();
}

void TAlarmClock::SetShowSeconds(bool value) {
  format_.showSeconds = value;
  FullRepaint();
}

void TAlarmClock::SetTwelveHour(bool value) {
  format_.twelveHour = value;
  FullRepaint();
}

void TAlarmClock::SetLeadingZero(bool value) {
  format_.leadingZero = value;
  FullRepaint();
}

void TAlarmClock::SettingsChanged() {
  format_ = RegionalFormat(format_);
  FullRepaint();
}

void TAlarmClock::FullRepaint() {
  if (!window_) {
    return;
  }
  UpdateWindowText(clock_.Now());
  ::InvalidateRect(window_.Get(), nullptr, FALSE);
}

void TAlarmClock::Tick() {
  const platform::TimeOfDay now = clock_.Now();
  if (window_) {
    UpdateWindowText(now);
    const TickPlan plan = PlanTick(shown_, now);
    if (plan.kind == TickRepaint::kFull) {
      ::InvalidateRect(window_.Get(), nullptr, FALSE);
    } else {
      PaintChangedCells(now, plan.minuteCells, plan.secondCells && format_.showSeconds);
    }
  }
  alarm_.Check([this] {
    const auto handler = OnAlarm;  // the handler may replace OnAlarm while it runs
    if (handler) {
      handler();
    }
  });
  const auto tickHandler = OnTick;
  if (tickHandler) {
    tickHandler();
  }
}

void TAlarmClock::ReportTickError(const std::string& message) {
  if (OnTickError) {
    OnTickError(message);
  }
}

void TAlarmClock::UpdateWindowText(const platform::TimeOfDay& now) {
  std::string text = ClockText(now, format_);
  if (text != windowText_) {
    ::SetWindowTextA(window_.Get(), text.c_str());
    windowText_ = std::move(text);
  }
}

void TAlarmClock::PaintChangedCells(const platform::TimeOfDay& now, bool minuteCells, bool secondCells) {
  if (!minuteCells && !secondCells) {
    return;
  }
  WindowDC dc(window_.Get());
  if (dc.Get() == nullptr) {
    return;
  }
  const HFONT font = font_ != nullptr ? font_ : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  SelectedObject selectedFont(dc.Get(), font);
  ::SetBkMode(dc.Get(), TRANSPARENT);
  ::SetTextColor(dc.Get(), ::GetSysColor(kTextColor));

  const std::string text = ClockText(now, format_);
  const std::size_t cellCount = ClockCellCount(now, format_);
  const ClockLayout layout = MeasureLayout(dc.Get(), window_.Get(), text, cellCount);
  const auto redraw = [&](std::size_t first) {
    for (std::size_t index = first; index < first + 2; ++index) {
      RECT cell = ToRect(layout.Cell(index));
      ::FillRect(dc.Get(), &cell, ::GetSysColorBrush(kBackgroundColor));
      DrawCell(dc.Get(), layout, text, index);
    }
  };
  if (minuteCells) {
    redraw(MinuteCellIndex(cellCount, format_.showSeconds));
  }
  if (secondCells) {
    redraw(SecondCellIndex(cellCount));
  }
  shown_ = ShownFrom(now);
}

void TAlarmClock::PaintAll(HDC dc, const platform::TimeOfDay& now) {
  RECT client{};
  ::GetClientRect(window_.Get(), &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(kBackgroundColor));
  RECT frame = client;
  ::DrawEdge(dc, &frame, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);  // outer bevel, raised
  ::DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);  // inner bevel, lowered

  const HFONT font = font_ != nullptr ? font_ : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  SelectedObject selectedFont(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(kTextColor));

  const std::string text = ClockText(now, format_);
  const std::size_t cellCount = ClockCellCount(now, format_);
  const ClockLayout layout = MeasureLayout(dc, window_.Get(), text, cellCount);
  for (std::size_t index = 0; index < cellCount && index < text.size(); ++index) {
    DrawCell(dc, layout, text, index);
  }
  if (text.size() > cellCount) {
    RECT designator = ToRect(layout.Designator());
    ::DrawTextA(dc, text.c_str() + cellCount, static_cast<int>(text.size() - cellCount), &designator,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  shown_ = ShownFrom(now);
}

LRESULT TAlarmClock::OnPaint() {
  PaintDC dc(window_.Get());
  const platform::TimeOfDay now = clock_.Now();
  PaintAll(dc.Get(), now);
  UpdateWindowText(now);
  return 0;
}

LRESULT TAlarmClock::OnSetFont(WPARAM wParam, LPARAM lParam) {
  font_ = reinterpret_cast<HFONT>(wParam);
  if (LOWORD(lParam) != 0) {
    FullRepaint();
  }
  return 0;
}

LRESULT TAlarmClock::OnGetFont() const { return reinterpret_cast<LRESULT>(font_); }

LRESULT TAlarmClock::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      window_.Reset(window);  // from the first message on, so a failed creation leaves nothing behind
      break;
    case WM_NCDESTROY:
      // Destroyed with its parent: the window system has taken the handle back.
      window_.Release();
      break;
    case WM_PAINT:
      return OnPaint();
    case WM_ERASEBKGND:
      return 1;  // the paint fills the background itself, without flicker
    case WM_SETFONT:
      return OnSetFont(wParam, lParam);
    case WM_GETFONT:
      return OnGetFont();
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace schedule::win32
