#include "platform/clock.h"

#include <sys/time.h>

#include <ctime>

namespace platform {

TimeOfDay SystemClock::Now() const {
  timeval tv{};
  ::gettimeofday(&tv, nullptr);
  std::tm local{};
  const std::time_t seconds = tv.tv_sec;
  ::localtime_r(&seconds, &local);
  return TimeOfDay{static_cast<std::uint16_t>(local.tm_hour), static_cast<std::uint16_t>(local.tm_min),
                   static_cast<std::uint16_t>(local.tm_sec), static_cast<std::uint16_t>(tv.tv_usec / 1000)};
}

}  // namespace platform
