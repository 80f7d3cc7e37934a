#include "schedule/alarm.h"

#include <utility>

namespace schedule {

Alarm::Alarm(const platform::Clock& clock, std::string timeSeparator)
    : clock_(clock), timeSeparator_(std::move(timeSeparator)) {}

void Alarm::SetElement(int element, std::uint8_t value) {
  unsigned hour = hour_;
  unsigned minute = minute_;
  unsigned second = second_;
  switch (element) {
    case 1:
      hour = value;
      break;
    case 2:
      minute = value;
      break;
    case 3:
      second = value;
      break;
    default:
      return;
  }
  if (hour >= 24 || minute >= 60 || second >= 60) {
    throw ConversionError("''" + std::to_string(hour) + timeSeparator_ + std::to_string(minute) + timeSeparator_ +
                          std::to_string(second) + "'' is not a valid time");
  }
  hour_ = static_cast<std::uint8_t>(hour);
  minute_ = static_cast<std::uint8_t>(minute);
  second_ = static_cast<std::uint8_t>(second);
  ReArm();
}

void Alarm::ReArm() { ReArmAt(clock_.Now()); }

void Alarm::ReArmAt(const platform::TimeOfDay& now) {
  const std::uint32_t alarm = AlarmMillisecondsOfDay();
  armed_ = now.MillisecondsOfDay() < alarm || alarm == 0;
}

bool Alarm::InWindow(const platform::TimeOfDay& now) const {
  return now.hour == hour_ && now.minute == minute_ && now.second >= second_ && now.second <= second_ + 60u;
}

void Alarm::Check(const std::function<void()>& onAlarm) {
  // One reading decides both the window test and the re-arming: a second reading could fall into
  // the window after the first fell before it, and the latch would stay cleared for the whole minute.
  const platform::TimeOfDay now = clock_.Now();
  if (enabled_ && InWindow(now)) {
    if (armed_) {
      armed_ = false;  // cleared first: the handler may re-arm by writing a new alarm
      if (onAlarm) {
        onAlarm();
      }
    }
    return;
  }
  ReArmAt(now);
}

}  // namespace schedule
