#pragma once
// A clock of date, time and monotonic milliseconds that a test moves by hand: Advance moves both
// (time passing), Jump only the wall clock (the clock set, or a daylight-saving change), so that
// code that reads the two together can be shown each case. It serves as the schedule's clock and as
// the runs' clock at once, so that both always agree.
#include <cstdint>

#include "backup/run_services.h"
#include "platform/clock.h"
#include "schedule/missed_times.h"

namespace testing_support {

class CalendarClock final : public platform::Clock, public backup::RunClock {
 public:
  CalendarClock() { SetDate(2026, 12, 9, 10, 0); }

  void SetDate(int year, int month, int day, int hour, int minute, int second = 0) {
    platform::LocalDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    wallMs_ = schedule::CivilMsOf(t) + second * 1000;
  }
  // The same day, another time (the wall clock only, as FakeClock::Set).
  void Set(int hour, int minute, int second = 0, int ms = 0) {
    const std::int64_t day = Floor(wallMs_, kDayMs);
    wallMs_ = day * kDayMs + ((hour * 60LL + minute) * 60LL + second) * 1000LL + ms;
  }
  void Advance(std::int64_t ms) {
    wallMs_ += ms;
    monotonicMs_ += ms;
  }
  void Jump(std::int64_t ms) { wallMs_ += ms; }
  // Time passing (both clocks) up to that time of the same day.
  void AdvanceTo(int hour, int minute, int second = 0, int ms = 0) {
    const std::int64_t target =
        Floor(wallMs_, kDayMs) * kDayMs + ((hour * 60LL + minute) * 60LL + second) * 1000LL + ms;
    if (target > wallMs_) {
      Advance(target - wallMs_);
    }
  }

  [[nodiscard]] platform::TimeOfDay Now() const override {
    const platform::LocalDateTime t = LocalNow();
    return platform::TimeOfDay{static_cast<std::uint16_t>(t.hour), static_cast<std::uint16_t>(t.minute),
                               static_cast<std::uint16_t>(t.second), static_cast<std::uint16_t>(t.millisecond)};
  }
  [[nodiscard]] std::int64_t MonotonicMs() const override { return monotonicMs_; }
  [[nodiscard]] platform::LocalDateTime LocalNow() const override {
    platform::LocalDateTime t = schedule::DateTimeOfMinute(Floor(wallMs_, 60000));
    const std::int64_t inMinute = wallMs_ - Floor(wallMs_, 60000) * 60000;
    t.second = static_cast<int>(inMinute / 1000);
    t.millisecond = static_cast<int>(inMinute % 1000);
    return t;
  }

 private:
  static constexpr std::int64_t kDayMs = 86400000;
  static std::int64_t Floor(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0 && a < 0) ? 1 : 0); }

  std::int64_t wallMs_ = 0;
  std::int64_t monotonicMs_ = 5000000;
};

}  // namespace testing_support
