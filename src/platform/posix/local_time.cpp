#include "platform/local_time.h"

#include <time.h>

namespace platform {

LocalDateTime LocalNow() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  ::localtime_r(&now.tv_sec, &parts);
  return LocalDateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                       parts.tm_min,         parts.tm_sec,     static_cast<int>(now.tv_nsec / 1000000)};
}

std::optional<int> UtcOffsetMinutes(const LocalDateTime& time) {
  tm parts{};
  parts.tm_year = time.year - 1900;
  parts.tm_mon = time.month - 1;
  parts.tm_mday = time.day;
  parts.tm_hour = time.hour;
  parts.tm_min = time.minute;
  parts.tm_sec = time.second;
  parts.tm_isdst = -1;  // the rules of that date decide
  if (::mktime(&parts) == static_cast<time_t>(-1)) {
    return std::nullopt;
  }
  return static_cast<int>(parts.tm_gmtoff / 60);
}

}  // namespace platform
