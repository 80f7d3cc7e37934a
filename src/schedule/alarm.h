#pragma once
// The alarm of the clock control: an armed time of day, the on/off switch and the latch that makes
// it fire once per arming. Window-free; the clock control feeds it ticks on the user-interface thread.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/clock.h"

namespace schedule {

// Raised when an alarm element would make an impossible time of day.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Alarm {
 public:
  // timeSeparator: the system's time separator, used in the error text.
  Alarm(const platform::Clock& clock, std::string timeSeparator);

  [[nodiscard]] std::uint8_t AlarmHour() const { return hour_; }
  [[nodiscard]] std::uint8_t AlarmMinute() const { return minute_; }
  [[nodiscard]] std::uint8_t AlarmSecond() const { return second_; }
  // Each setter replaces one element; an impossible result raises ConversionError and changes nothing.
  void SetAlarmHour(std::uint8_t value) { SetElement(1, value); }
  void SetAlarmMinute(std::uint8_t value) { SetElement(2, value); }
  void SetAlarmSecond(std::uint8_t value) { SetElement(3, value); }
  // Element 1 hour, 2 minute, 3 second; any other number does nothing.
  void SetElement(int element, std::uint8_t value);

  [[nodiscard]] bool AlarmEnabled() const { return enabled_; }
  void SetAlarmEnabled(bool enabled) { enabled_ = enabled; }  // a plain flag: no other effect

  [[nodiscard]] bool AlarmArmed() const { return armed_; }

  // The latch is set again when the current time lies before the alarm, or when the alarm is 00:00:00.
  void ReArm();

  // The check that runs on every tick: calls onAlarm once when the current time enters the
  // alarm's window while enabled and armed. Exceptions from onAlarm pass to the caller.
  void Check(const std::function<void()>& onAlarm);

  [[nodiscard]] std::uint32_t AlarmMillisecondsOfDay() const {
    return ((hour_ * 60u + minute_) * 60u + second_) * 1000u;
  }

 private:
  [[nodiscard]] bool InWindow(const platform::TimeOfDay& now) const;
  void ReArmAt(const platform::TimeOfDay& now);

  const platform::Clock& clock_;
  std::string timeSeparator_;
  std::uint8_t hour_ = 0;
  std::uint8_t minute_ = 0;
  std::uint8_t second_ = 0;
  bool enabled_ = false;
  bool armed_ = true;
};

}  // namespace schedule
