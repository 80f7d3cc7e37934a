#pragma once
// The local calendar date and time, for records that an operator reads later.
#include <optional>
#include <string>

namespace platform {

struct LocalDateTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

LocalDateTime LocalNow();

// "2026-12-09 02:00:00.123"
std::string FormatLocalDateTime(const LocalDateTime& time);

// Minutes by which this local time is ahead of UTC (+60 for Central European winter time), by the
// system's time-zone rules for that date; nullopt when the system cannot tell.
std::optional<int> UtcOffsetMinutes(const LocalDateTime& time);

}  // namespace platform
