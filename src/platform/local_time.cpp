#include "platform/local_time.h"

#include <cstdio>

namespace platform {

std::string FormatLocalDateTime(const LocalDateTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.millisecond);
  return text;
}

}  // namespace platform
