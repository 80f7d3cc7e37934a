#pragma once
// The list of backup times and the choice of the next one: loads the list's length and the backup
// directory, arms the clock's alarm with the next time of day and shows that time on the panel.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "schedule/alarm.h"

namespace schedule {

// A time text whose hour or minute is not an integer: "'%s' is not a valid integer value".
class TimeConversionError : public std::runtime_error {
 public:
  explicit TimeConversionError(const std::string& part);
};

struct HourMinute {
  std::uint8_t hour = 0;
  std::uint8_t minute = 0;
};

// Splits "h:m" at the first colon; each part a decimal integer kept in its low 8 bits.
HourMinute ParseTime(const std::string& text);

class Schedule {
 public:
  // timeIndex: the main window's schedule position (`TimeIndex`), which the connection routine and
  // the backup run change too; the schedule reads and writes that one value.
  // showNextTime receives the armed entry's text exactly as stored (the "Waiting time:" caption).
  Schedule(std::string exeDir, const platform::Clock& clock, Alarm& alarm, std::uint8_t& timeIndex,
           std::function<void(const std::string&)> showNextTime);

  // Reads the number of times and the backup directory. A count up to 255 keeps its low 8 bits; a
  // larger one (only a hand edit writes one) uses the first 255 entries.
  void LoadBakInfo();
  // Arms the first entry from position p on that lies later today; failing that entry 1, which then
  // fires tomorrow, and TimeIndex goes back to 1. With no entries nothing changes.
  void SetNextAlarm(std::uint8_t p);
  // The Refresh command: reload, start over at entry 1.
  void Refresh();

  [[nodiscard]] std::uint8_t TimeCount() const { return timeCount_; }
  // The stored count when the last LoadBakInfo had to ignore entries beyond the 255th, else 0.
  [[nodiscard]] int CountAboveLimit() const { return countAboveLimit_; }
  // The times of day of the entries 1..TimeCount, as minutes of the day; entries that are no time
  // of day (not two numbers around a colon, or out of range) are left out.
  [[nodiscard]] std::vector<int> EntryMinutes() const;
  [[nodiscard]] const std::string& BakDir() const { return bakDir_; }
  [[nodiscard]] std::string SettingsPath() const;

  // The main window's schedule position: where the next search starts. Wraps from 255 to 0.
  std::uint8_t& TimeIndex;

 private:
  void Arm(const HourMinute& time, const std::string& text);

  std::string exeDir_;
  const platform::Clock& clock_;
  Alarm& alarm_;
  std::function<void(const std::string&)> showNextTime_;
  std::uint8_t timeCount_ = 0;
  int countAboveLimit_ = 0;
  std::string bakDir_;
};

}  // namespace schedule
