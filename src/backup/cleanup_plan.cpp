#include "backup/cleanup_plan.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace backup {
namespace {

constexpr std::int64_t kDaySeconds = 86400;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::int64_t CalendarSeconds(const platform::LocalDateTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * kDaySeconds + t.hour * 3600 + t.minute * 60 + t.second;
}

std::vector<Fate> PlanCleanup(const std::vector<MadeFile>& files, const std::vector<Presence>& presence,
                              const platform::LocalDateTime& now, KeepRules rules, bool removalAllowed) {
  std::vector<Fate> fates(files.size(), Fate::kKeep);
  for (std::size_t i = 0; i < files.size(); ++i) {
    switch (presence[i]) {
      case Presence::kGone:
        fates[i] = Fate::kForgetGone;
        break;
      case Presence::kOtherSize:
        fates[i] = Fate::kForgetReplaced;
        break;
      case Presence::kFolderUnreachable:
        fates[i] = Fate::kSkip;
        break;
      case Presence::kPresent:
        break;
    }
  }
  if (!removalAllowed || rules.keepDays <= 0) {
    return fates;
  }

  // The newest tested files of each folder, counted from the last made.
  const int keepCount = std::max(rules.keepCount, 1);
  std::vector<bool> protectedFile(files.size(), false);
  std::unordered_map<std::string, int> keptInFolder;
  for (std::size_t i = files.size(); i-- > 0;) {
    if (presence[i] == Presence::kPresent && files[i].tested) {
      int& kept = keptInFolder[FolderKey(files[i].path)];
      if (kept < keepCount) {
        ++kept;
        protectedFile[i] = true;
      }
    }
  }

  const std::int64_t nowSeconds = CalendarSeconds(now);
  const std::int64_t keepSeconds = static_cast<std::int64_t>(rules.keepDays) * kDaySeconds;
  std::int64_t latestBefore = std::numeric_limits<std::int64_t>::min();
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (presence[i] != Presence::kPresent && presence[i] != Presence::kFolderUnreachable) {
      continue;
    }
    const std::int64_t own = CalendarSeconds(files[i].made);
    const std::int64_t effective = std::max(own, latestBefore);
    if (own <= nowSeconds) {
      // A time ahead of now says nothing about the files after it.
      latestBefore = std::max(latestBefore, own);
    }
    const std::int64_t age = std::max<std::int64_t>(nowSeconds - effective, 0);
    if (presence[i] == Presence::kPresent && !protectedFile[i] && age > keepSeconds) {
      fates[i] = Fate::kRemove;
    }
  }
  return fates;
}

}  // namespace backup
