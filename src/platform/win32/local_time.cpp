#include "platform/local_time.h"

#include <windows.h>

namespace platform {

LocalDateTime LocalNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return LocalDateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

std::optional<int> UtcOffsetMinutes(const LocalDateTime& time) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(time.year);
  local.wMonth = static_cast<WORD>(time.month);
  local.wDay = static_cast<WORD>(time.day);
  local.wHour = static_cast<WORD>(time.hour);
  local.wMinute = static_cast<WORD>(time.minute);
  local.wSecond = static_cast<WORD>(time.second);
  SYSTEMTIME utc{};
  FILETIME localFile{};
  FILETIME utcFile{};
  if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !::SystemTimeToFileTime(&local, &localFile) ||
      !::SystemTimeToFileTime(&utc, &utcFile)) {
    return std::nullopt;
  }
  const auto ticks = [](const FILETIME& f) {
    return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
  };
  constexpr long long kTicksPerMinute = 600000000;  // 100-nanosecond ticks
  return static_cast<int>((ticks(localFile) - ticks(utcFile)) / kTicksPerMinute);
}

}  // namespace platform
