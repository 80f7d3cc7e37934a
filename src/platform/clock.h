#pragma once
#include <cstdint>

namespace platform {

// A local wall-clock time of day.
struct TimeOfDay {
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t millisecond = 0;

  // Milliseconds since midnight; used for "before/after" comparisons.
  [[nodiscard]] std::uint32_t MillisecondsOfDay() const {
    return ((hour * 60u + minute) * 60u + second) * 1000u + millisecond;
  }
};

// Source of the current time, injectable so that schedule and alarm can be tested at any hour.
class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual TimeOfDay Now() const = 0;
};

// The local wall clock of the operating system.
class SystemClock final : public Clock {
 public:
  [[nodiscard]] TimeOfDay Now() const override;
};

}  // namespace platform
