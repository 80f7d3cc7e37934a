#include "controls/tray_add_retry.h"

#include <algorithm>

namespace controls {

std::optional<std::uint32_t> TrayAddRetryPlan::NextDelay(unsigned retriesDone, std::uint64_t elapsedMs) const {
  if (elapsedMs >= giveUpAfterMs) {
    return std::nullopt;
  }
  // At least 1 ms, so that a zero first delay still grows instead of retrying in a tight loop.
  const std::uint64_t first = std::max<std::uint32_t>(firstDelayMs, 1);
  const std::uint64_t doubled = first << std::min(retriesDone, 32u);
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(doubled, giveUpAfterMs - elapsedMs));
}

}  // namespace controls
