#pragma once
// When the tray icon tries again to enter a notification area that refused it. At log-on the program
// often starts before the shell's notification area takes icons; the shell's "TaskbarCreated"
// broadcast is one cue, these timed retries are the other, for shells that never send it.
#include <cstdint>
#include <optional>

namespace controls {

struct TrayAddRetryPlan {
  std::uint32_t firstDelayMs = 2000;     // after the first refusal; each further delay doubles
  std::uint32_t giveUpAfterMs = 120000;  // no retry later than this after the first refusal

  // The wait before the next retry, when `retriesDone` retries have been refused and the first
  // refusal was `elapsedMs` ago; nullopt once the give-up time is reached. The last wait is cut so
  // that the last retry falls on the give-up time.
  [[nodiscard]] std::optional<std::uint32_t> NextDelay(unsigned retriesDone, std::uint64_t elapsedMs) const;
};

}  // namespace controls
