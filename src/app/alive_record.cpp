#include "app/alive_record.h"

#include <cstdio>

#include "platform/files.h"
#include "schedule/missed_times.h"

namespace app {
namespace {

constexpr std::uint64_t kMaxBytes = 256;

// Digits only, exactly `width` of them.
std::optional<int> Digits(const std::string& text, std::size_t at, std::size_t width) {
  if (at + width > text.size()) {
    return std::nullopt;
  }
  int value = 0;
  for (std::size_t i = at; i < at + width; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return std::nullopt;
    }
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// "YYYY-MM-DD HH:MM" with a real date and time.
std::optional<std::int64_t> ParseMinute(const std::string& text) {
  if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':') {
    return std::nullopt;
  }
  const auto year = Digits(text, 0, 4);
  const auto month = Digits(text, 5, 2);
  const auto day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2);
  const auto minute = Digits(text, 14, 2);
  if (!year || !month || !day || !hour || !minute || *month < 1 || *month > 12 || *day < 1 || *day > 31 ||
      *hour > 23 || *minute > 59) {
    return std::nullopt;
  }
  platform::LocalDateTime t;
  t.year = *year;
  t.month = *month;
  t.day = *day;
  t.hour = *hour;
  t.minute = *minute;
  const std::int64_t civil = schedule::CivilMinuteOf(t);
  // 31 February and the like: the date must come back as written.
  if (schedule::DateMinuteText(civil) != text) {
    return std::nullopt;
  }
  return civil;
}

}  // namespace

std::string AliveRecordPath(const std::string& exeDir) { return exeDir + "\\Bak_Info\\alive.txt"; }

std::string AliveRecordText(const AliveRecord& record) {
  return "covered=" + schedule::DateMinuteText(record.coveredMinute) + "\r\nmakeup=" +
         (record.makeUpOwed ? "owed" : "none") + "\r\n";
}

std::optional<AliveRecord> ReadAliveRecord(const std::string& path) {
  const auto bytes = platform::ReadFileBytes(path, kMaxBytes);
  if (!bytes) {
    return std::nullopt;
  }
  const std::string& text = *bytes;
  constexpr std::size_t kCoveredLine = 8 + 16 + 2;  // "covered=" + the minute + CRLF
  if (text.compare(0, 8, "covered=") != 0 || text.size() < kCoveredLine ||
      text.compare(8 + 16, 2, "\r\n") != 0) {
    return std::nullopt;
  }
  const auto covered = ParseMinute(text.substr(8, 16));
  if (!covered) {
    return std::nullopt;
  }
  const std::string rest = text.substr(kCoveredLine);
  AliveRecord record;
  record.coveredMinute = *covered;
  if (rest == "makeup=owed\r\n") {
    record.makeUpOwed = true;
  } else if (rest != "makeup=none\r\n") {
    return std::nullopt;
  }
  return record;
}

bool WriteAliveRecord(const std::string& path, const AliveRecord& record) {
  try {
    return platform::ReplaceFileAtomically(path, AliveRecordText(record));
  } catch (...) {
    return false;
  }
}

}  // namespace app
