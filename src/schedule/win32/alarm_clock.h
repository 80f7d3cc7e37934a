#pragma once
// `TAlarmClock`: the digital clock control of the main window's panel. It paints the current time,
// redraws only the changed cells on each tick, and raises OnAlarm when the alarm falls due.
// Ticks come from its own TTickTimer (450 ms) through a WindowDispatcher, so they are served inside
// modal loops too.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/win32/gdi_owners.h"
#include "platform/win32/message_handler.h"
#include "schedule/alarm.h"
#include "schedule/clock_display.h"
#include "schedule/tick_timer.h"
#include "schedule/win32/window_dispatcher.h"

namespace schedule::win32 {

class TAlarmClock : public platform::win32::MessageHandler {
 public:
  static constexpr std::uint32_t kTickInterval = 450;

  // Must be constructed on the user-interface thread. The tick source starts at once; ticks before
  // Create only run the alarm check. The alarm starts switched off at 00:00:00, armed.
  TAlarmClock();
  // For tests: a clock other than the local wall clock; it must outlive the control.
  explicit TAlarmClock(const platform::Clock& clock);
  // Stops the tick source first, then destroys the window. Must not run inside a tick of this clock.
  ~TAlarmClock();
  TAlarmClock(const TAlarmClock&) = delete;
  TAlarmClock& operator=(const TAlarmClock&) = delete;

  // Creates the child window (bevels: inner lowered, outer raised) and re-arms the alarm.
  void Create(HWND parent, int x, int y, int width, int height, int controlId);
  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  // The caller keeps the font alive while the control uses it (as with WM_SETFONT); nullptr = system font.
  void SetFont(HFONT font);

  [[nodiscard]] bool ShowSeconds() const { return format_.showSeconds; }
  void SetShowSeconds(bool value);
  [[nodiscard]] bool TwelveHour() const { return format_.twelveHour; }
  void SetTwelveHour(bool value);
  [[nodiscard]] bool LeadingZero() const { return format_.leadingZero; }
  void SetLeadingZero(bool value);

  // The regional settings changed (the main window forwards WM_SETTINGCHANGE): new formats, full repaint.
  void SettingsChanged();

  [[nodiscard]] schedule::Alarm& AlarmState() { return alarm_; }
  [[nodiscard]] const schedule::Alarm& AlarmState() const { return alarm_; }
  // Raise schedule::ConversionError for an impossible time; the alarm then stays as it was.
  void SetAlarmHour(std::uint8_t value) { alarm_.SetAlarmHour(value); }
  void SetAlarmMinute(std::uint8_t value) { alarm_.SetAlarmMinute(value); }
  void SetAlarmSecond(std::uint8_t value) { alarm_.SetAlarmSecond(value); }
  void SetAlarmEnabled(bool enabled) { alarm_.SetAlarmEnabled(enabled); }
  [[nodiscard]] bool AlarmEnabled() const { return alarm_.AlarmEnabled(); }

  // Raised on the user-interface thread from inside a tick.
  std::function<void()> OnAlarm;
  // Raised on every tick after the alarm check, on the user-interface thread: for watchers of the
  // wall clock that must not wake the program more often than the clock does.
  std::function<void()> OnTick;
  // Receives the message of an exception that escaped a tick (OnAlarm included); the clock keeps ticking.
  std::function<void(const std::string&)> OnTickError;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void HandleException() noexcept override {}  // dropped: a failed paint shows on the next one
  LRESULT OnPaint();
  LRESULT OnSetFont(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetFont() const;

  void Tick();
  void ReportTickError(const std::string& message);
  void PaintChangedCells(const platform::TimeOfDay& now, bool minuteCells, bool secondCells);
  void PaintAll(HDC dc, const platform::TimeOfDay& now);
  void UpdateWindowText(const platform::TimeOfDay& now);
  void FullRepaint();

  platform::SystemClock systemClock_;
  const platform::Clock& clock_;
  schedule::ClockFormat format_;
  schedule::Alarm alarm_;
  schedule::ShownTime shown_;
  HFONT font_ = nullptr;  // not owned
  std::string windowText_;
  platform::win32::UniqueHwnd window_;
  WindowDispatcher dispatcher_;
  std::unique_ptr<schedule::TTickTimer> timer_;  // last: stopped before anything its tick uses goes away
};

}  // namespace schedule::win32
