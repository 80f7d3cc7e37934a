#include "platform/clock.h"

#include <windows.h>

namespace platform {

TimeOfDay SystemClock::Now() const {
  SYSTEMTIME local{};
  ::GetLocalTime(&local);
  return TimeOfDay{local.wHour, local.wMinute, local.wSecond, local.wMilliseconds};
}

}  // namespace platform
