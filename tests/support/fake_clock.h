#pragma once
#include <cstdint>

#include "platform/clock.h"

namespace testing_support {

// A clock the test sets by hand.
class FakeClock final : public platform::Clock {
 public:
  platform::TimeOfDay now{};
  [[nodiscard]] platform::TimeOfDay Now() const override { return now; }
  void Set(int h, int m, int s = 0, int ms = 0) {
    now = platform::TimeOfDay{static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(m),
                              static_cast<std::uint16_t>(s), static_cast<std::uint16_t>(ms)};
  }
};

// A clock that moves on by `stepMs` milliseconds after every reading, as a real one does between
// two calls: code that reads it twice in one decision sees two different times.
class AdvancingClock final : public platform::Clock {
 public:
  explicit AdvancingClock(std::uint32_t stepMs) : stepMs_(stepMs) {}

  void Set(int h, int m, int s = 0, int ms = 0) {
    msOfDay_ = ((static_cast<std::uint32_t>(h) * 60u + static_cast<std::uint32_t>(m)) * 60u +
                static_cast<std::uint32_t>(s)) * 1000u + static_cast<std::uint32_t>(ms);
  }
  void SetMs(std::uint32_t msOfDay) { msOfDay_ = msOfDay % kDayMs; }
  [[nodiscard]] int Readings() const { return readings_; }

  [[nodiscard]] platform::TimeOfDay Now() const override {
    const std::uint32_t t = msOfDay_;
    msOfDay_ = (msOfDay_ + stepMs_) % kDayMs;
    ++readings_;
    return platform::TimeOfDay{static_cast<std::uint16_t>(t / 3600000u), static_cast<std::uint16_t>(t / 60000u % 60u),
                               static_cast<std::uint16_t>(t / 1000u % 60u), static_cast<std::uint16_t>(t % 1000u)};
  }

 private:
  static constexpr std::uint32_t kDayMs = 24u * 3600u * 1000u;
  std::uint32_t stepMs_;
  mutable std::uint32_t msOfDay_ = 0;
  mutable int readings_ = 0;
};

}  // namespace testing_support
