// ParseTime against an independent reading of its rule, and the alarm: its setters never leave an
// impossible time, a refused setting changes nothing, and in a run of ticks every pass through the
// alarm's window fires exactly once.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>

#include "schedule/alarm.h"
#include "schedule/schedule.h"
#include "settings/time_mask.h"
#include "support/fuzz_check.h"

namespace {

using fuzz::Require;

class TestClock final : public platform::Clock {
 public:
  std::uint32_t ms = 0;
  [[nodiscard]] platform::TimeOfDay Now() const override {
    return platform::TimeOfDay{static_cast<std::uint16_t>(ms / 3600000u), static_cast<std::uint16_t>(ms / 60000u % 60u),
                               static_cast<std::uint16_t>(ms / 1000u % 60u), static_cast<std::uint16_t>(ms % 1000u)};
  }
};

constexpr std::uint32_t kDayMs = 24u * 3600u * 1000u;

// The rule written out digit by digit: spaces, an optional sign, at least one digit, nothing else;
// the value at most 2^31 - 1 (2^31 with a minus); kept in its low 8 bits.
std::optional<std::uint8_t> ReferenceByte(const std::string& part) {
  std::size_t i = 0;
  while (i < part.size() && part[i] == ' ') {
    ++i;
  }
  bool negative = false;
  if (i < part.size() && (part[i] == '-' || part[i] == '+')) {
    negative = part[i] == '-';
    ++i;
  }
  if (i == part.size()) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (; i < part.size(); ++i) {
    if (part[i] < '0' || part[i] > '9') {
      return std::nullopt;
    }
    value = value * 10 + static_cast<std::uint64_t>(part[i] - '0');
    if (value > (1ull << 31)) {
      return std::nullopt;
    }
  }
  if (value > (negative ? (1ull << 31) : (1ull << 31) - 1)) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>((negative ? (0 - value) : value) & 0xFFu);
}

void CheckParseTime(const std::string& text) {
  const auto colon = text.find(':');
  const auto hour = ReferenceByte(colon == std::string::npos ? std::string() : text.substr(0, colon));
  const auto minute = ReferenceByte(colon == std::string::npos ? text : text.substr(colon + 1));
  std::optional<schedule::HourMinute> parsed;
  try {
    parsed = schedule::ParseTime(text);
  } catch (const schedule::TimeConversionError&) {
  }
  Require(parsed.has_value() == (hour && minute), "ParseTime refuses exactly the texts that are not two integers");
  if (parsed) {
    Require(parsed->hour == *hour && parsed->minute == *minute, "ParseTime keeps the low 8 bits of each integer");
  }
  if (settings::IsValidTime(text)) {
    Require(parsed && parsed->hour < 24 && parsed->minute < 60, "a valid time parses into the day");
  }
}

bool InWindow(const platform::TimeOfDay& t, const schedule::Alarm& alarm) {
  return t.hour == alarm.AlarmHour() && t.minute == alarm.AlarmMinute() && t.second >= alarm.AlarmSecond();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  CheckParseTime(input.ConsumeRandomLengthString(32));

  TestClock clock;
  clock.ms = input.ConsumeIntegralInRange<std::uint32_t>(0, kDayMs - 1);
  schedule::Alarm alarm(clock, ":");
  for (int i = 0; i < 6 && input.remaining_bytes() > 2; ++i) {
    const int element = input.ConsumeIntegralInRange<int>(0, 4);
    const auto value = input.ConsumeIntegral<std::uint8_t>();
    const unsigned h = alarm.AlarmHour();
    const unsigned m = alarm.AlarmMinute();
    const unsigned s = alarm.AlarmSecond();
    const bool fits = (element == 1 && value < 24) || ((element == 2 || element == 3) && value < 60);
    bool refused = false;
    try {
      alarm.SetElement(element, value);
    } catch (const schedule::ConversionError&) {
      refused = true;
    }
    Require(refused == (element >= 1 && element <= 3 && !fits), "a setter refuses exactly the impossible times");
    if (refused || !fits) {
      Require(alarm.AlarmHour() == h && alarm.AlarmMinute() == m && alarm.AlarmSecond() == s,
              "a refused or ignored setting changes nothing");
    } else {
      const unsigned got[] = {alarm.AlarmHour(), alarm.AlarmMinute(), alarm.AlarmSecond()};
      Require(got[element - 1] == value, "a setter stores its value");
      const std::uint32_t alarmMs = alarm.AlarmMillisecondsOfDay();
      Require(alarm.AlarmArmed() == (clock.Now().MillisecondsOfDay() < alarmMs || alarmMs == 0),
              "a new alarm is armed exactly when it still lies ahead today (or is midnight)");
    }
    Require(alarm.AlarmHour() < 24 && alarm.AlarmMinute() < 60 && alarm.AlarmSecond() < 60,
            "the alarm always holds a time of day");
  }
  alarm.SetAlarmEnabled(true);

  // Up to about 50 minutes of ticks from near the alarm (midnight included), each at most a second
  // after the last, so that every pass lands in the window.
  const std::uint32_t alarmMs = alarm.AlarmMillisecondsOfDay();
  const auto offset = input.ConsumeIntegralInRange<std::int32_t>(-1800000, 600000);
  clock.ms = static_cast<std::uint32_t>((static_cast<std::int64_t>(alarmMs) + offset + kDayMs) % kDayMs);
  alarm.ReArm();
  const std::uint32_t step = input.ConsumeIntegralInRange<std::uint32_t>(1, 1000);
  const int ticks = input.ConsumeIntegralInRange<int>(1, 3000);
  const bool midnight = alarmMs == 0;
  bool wasIn = InWindow(clock.Now(), alarm);
  int fired = 0;
  int expected = 0;
  for (int tick = 0; tick < ticks; ++tick) {
    clock.ms = (clock.ms + step) % kDayMs;
    const bool in = InWindow(clock.Now(), alarm);
    // Entering the window fires; so does the first tick of a midnight alarm set inside its window.
    if (in && (!wasIn || (tick == 0 && midnight))) {
      ++expected;
    }
    alarm.Check([&] { ++fired; });
    wasIn = in;
  }
  Require(fired == expected, "every pass through the alarm's window fires once, and only then");
  return 0;
}
