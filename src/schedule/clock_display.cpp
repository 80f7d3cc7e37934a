#include "schedule/clock_display.h"

namespace schedule {
namespace {

std::string TwoDigits(unsigned value) {
  std::string text = std::to_string(value);
  return value < 10 ? "0" + text : text;
}

unsigned DisplayHour(const platform::TimeOfDay& t, const ClockFormat& format) {
  if (!format.twelveHour) {
    return t.hour;
  }
  const unsigned hour = t.hour % 12u;
  return hour == 0 ? 12u : hour;
}

}  // namespace

std::uint16_t ComparisonHour(const platform::TimeOfDay& t) {
  return static_cast<std::uint16_t>(t.hour >= 12 ? t.hour - 12 : t.hour);
}

std::string ClockText(const platform::TimeOfDay& t, const ClockFormat& format) {
  const unsigned hour = DisplayHour(t, format);
  std::string text = format.leadingZero ? TwoDigits(hour) : std::to_string(hour);
  text += format.timeSeparator + TwoDigits(t.minute);
  if (format.showSeconds) {
    text += format.timeSeparator + TwoDigits(t.second);
  }
  if (format.twelveHour) {
    text += " " + (t.hour < 12 ? format.amDesignator : format.pmDesignator);
  }
  return text;
}

std::size_t ClockCellCount(const platform::TimeOfDay& t, const ClockFormat& format) {
  std::size_t count = (DisplayHour(t, format) < 10 && !format.leadingZero) ? 4 : 5;
  if (format.showSeconds) {
    count += 3;
  }
  return count;
}

TickPlan PlanTick(const ShownTime& shown, const platform::TimeOfDay& now) {
  if (ComparisonHour(now) != shown.hour) {
    return TickPlan{TickRepaint::kFull, false, false};
  }
  return TickPlan{TickRepaint::kPartial, now.minute != shown.minute, now.second != shown.second};
}

}  // namespace schedule
