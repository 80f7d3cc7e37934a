#include "schedule/schedule.h"

#include <charconv>
#include <utility>

#include "db/program_dir.h"
#include "settings/backup_settings.h"
#include "settings/ini_file.h"

namespace schedule {
namespace {

// The standard decimal conversion: leading spaces (only spaces, as the original platform's
// conversion) and a sign allowed, nothing after the digits.
std::uint8_t ToByte(const std::string& part) {
  std::size_t i = 0;
  while (i < part.size() && part[i] == ' ') {
    ++i;
  }
  bool negative = false;
  if (i < part.size() && (part[i] == '-' || part[i] == '+')) {
    negative = part[i] == '-';
    ++i;
  }
  long long value = 0;
  const char* first = part.data() + i;
  const char* last = part.data() + part.size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (first == last || *first == '-' || *first == '+' || error != std::errc() || end != last ||
      value > 2147483647LL + (negative ? 1 : 0)) {
    throw TimeConversionError(part);
  }
  if (negative) {
    value = -value;
  }
  return static_cast<std::uint8_t>(static_cast<unsigned long long>(value) & 0xFFu);
}

}  // namespace

TimeConversionError::TimeConversionError(const std::string& part)
    : std::runtime_error("'" + part + "' is not a valid integer value") {}

HourMinute ParseTime(const std::string& text) {
  const auto colon = text.find(':');
  const std::string hourPart = colon == std::string::npos ? std::string() : text.substr(0, colon);
  const std::string minutePart = colon == std::string::npos ? text : text.substr(colon + 1);
  const std::uint8_t hour = ToByte(hourPart);
  return HourMinute{hour, ToByte(minutePart)};
}

Schedule::Schedule(std::string exeDir, const platform::Clock& clock, Alarm& alarm, std::uint8_t& timeIndex,
                   std::function<void(const std::string&)> showNextTime)
    : TimeIndex(timeIndex),
      exeDir_(std::move(exeDir)), clock_(clock), alarm_(alarm), showNextTime_(std::move(showNextTime)) {}

std::string Schedule::SettingsPath() const { return exeDir_ + db::kBakInfoSuffix; }

void Schedule::LoadBakInfo() {
  const settings::IniFile ini(SettingsPath());
  const int stored = settings::ReadTimeCount(ini);
  // Above the dialog's limit the low 8 bits would arm nothing (256) or a few entries (300): the
  // first 255 are used instead, and the caller reports the rest.
  countAboveLimit_ = stored > settings::kMaxTimeCount ? stored : 0;
  timeCount_ = countAboveLimit_ != 0 ? static_cast<std::uint8_t>(settings::kMaxTimeCount)
                                     : static_cast<std::uint8_t>(static_cast<unsigned>(stored) & 0xFFu);
  bakDir_ = settings::ReadBakDir(ini, exeDir_);
}

void Schedule::SetNextAlarm(std::uint8_t p) {
  if (timeCount_ == 0) {
    return;
  }
  const settings::IniFile ini(SettingsPath());
  // A loop with a wide position: entry 255 is followed by the wrap, never by a search from 0 again.
  for (unsigned position = p; position <= timeCount_; ++position) {
    const std::string text = settings::ReadTimeEntry(ini, static_cast<int>(position));
    const HourMinute time = ParseTime(text);
    const platform::TimeOfDay now = clock_.Now();
    if (time.hour > now.hour || (time.hour == now.hour && time.minute > now.minute)) {
      Arm(time, text);
      return;
    }
  }
  TimeIndex = 1;
  const std::string first = settings::ReadTimeEntry(ini, 1);
  Arm(ParseTime(first), first);
}

std::vector<int> Schedule::EntryMinutes() const {
  std::vector<int> minutes;
  if (timeCount_ == 0) {
    return minutes;
  }
  const settings::IniFile ini(SettingsPath());
  for (const auto& [n, text] : ini.ReadNumberedKeys(settings::kBakSection, "Time_", timeCount_)) {
    try {
      const HourMinute time = ParseTime(text);
      if (time.hour < 24 && time.minute < 60) {
        minutes.push_back(time.hour * 60 + time.minute);
      }
    } catch (const TimeConversionError&) {
      // Not a time: SetNextAlarm reports it when it gets there.
    }
  }
  return minutes;
}

void Schedule::Refresh() {
  LoadBakInfo();
  TimeIndex = 1;
  SetNextAlarm(1);
}

void Schedule::Arm(const HourMinute& time, const std::string& text) {
  alarm_.SetAlarmHour(time.hour);
  alarm_.SetAlarmMinute(time.minute);
  alarm_.SetAlarmEnabled(true);
  if (showNextTime_) {
    showNextTime_(text);
  }
}

}  // namespace schedule
