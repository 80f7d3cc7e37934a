#pragma once
// What the digital clock shows: the text for a time of day and which part of it a tick must redraw.
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace schedule {

struct ClockFormat {
  bool showSeconds = true;
  bool twelveHour = false;
  bool leadingZero = true;
  std::string timeSeparator = ":";
  std::string amDesignator = "AM";
  std::string pmDesignator = "PM";
};

// The hour kept for deciding whether a tick must repaint in full: 0-11 (12 is taken off from noon on).
std::uint16_t ComparisonHour(const platform::TimeOfDay& t);

// "hh:mm" or "h:mm", then ":ss" with showSeconds, then " AM"/" PM" with twelveHour.
std::string ClockText(const platform::TimeOfDay& t, const ClockFormat& format);

// How many leading characters of ClockText are digits and separators (each drawn in its own cell);
// what follows is the AM/PM designator.
std::size_t ClockCellCount(const platform::TimeOfDay& t, const ClockFormat& format);

// The time the clock last painted, to decide what a tick redraws.
struct ShownTime {
  std::uint16_t hour = 0;  // comparison hour
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
};

enum class TickRepaint {
  kFull,     // the hour changed: repaint the whole control
  kPartial,  // redraw only the cells named below
};

struct TickPlan {
  TickRepaint kind = TickRepaint::kPartial;
  bool minuteCells = false;
  bool secondCells = false;
};

TickPlan PlanTick(const ShownTime& shown, const platform::TimeOfDay& now);

}  // namespace schedule
