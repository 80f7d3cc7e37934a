#pragma once
// The local calendar date and time, for records that an operator reads later.
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

}  // namespace platform
