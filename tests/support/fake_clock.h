#pragma once
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

}  // namespace testing_support
