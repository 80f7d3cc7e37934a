#include "backup/cleanup_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cleanup_plan_test {

using backup::Fate;
using backup::KeepRules;
using backup::MadeFile;
using backup::PlanCleanup;
using backup::Presence;
using platform::LocalDateTime;

constexpr Fate K = Fate::kKeep;
constexpr Fate R = Fate::kRemove;

MadeFile Made(const std::string& path, LocalDateTime made, bool tested = true) { return {path, 100, made, tested}; }

std::vector<Fate> Plan(const std::vector<MadeFile>& files, LocalDateTime now, KeepRules rules,
                       std::vector<Presence> presence = {}, bool allowed = true) {
  if (presence.empty()) {
    presence.assign(files.size(), Presence::kPresent);
  }
  return PlanCleanup(files, presence, now, rules, allowed);
}

// One archive a day at 02:00:07 in D:\B, from `first` on for `days` days of December 2026.
std::vector<MadeFile> Daily(int first, int days) {
  std::vector<MadeFile> files;
  for (int d = first; d < first + days; ++d) {
    files.push_back(Made("D:\\B\\day" + std::to_string(d) + ".rar", {2026, 12, d, 2, 0, 7, 0}));
  }
  return files;
}

TEST(CleanupPlan, RemovesWhatIsOlderThanKeepDaysAndNotAmongTheNewest) {
  const auto files = Daily(1, 5);
  EXPECT_EQ(Plan(files, {2026, 12, 5, 2, 0, 30, 0}, {2, 2}), (std::vector<Fate>{R, R, R, K, K}));
  EXPECT_EQ(Plan(files, {2026, 12, 5, 2, 0, 7, 0}, {2, 1}), (std::vector<Fate>{R, R, K, K, K}))
      << "exactly two days old is not older than two days";
  EXPECT_EQ(Plan(files, {2026, 12, 5, 2, 0, 8, 0}, {2, 1}), (std::vector<Fate>{R, R, R, K, K}));
  EXPECT_EQ(Plan(files, {2026, 12, 5, 2, 0, 30, 0}, {2, 4}), (std::vector<Fate>{R, K, K, K, K}))
      << "the four newest stay whatever their age";
  EXPECT_EQ(Plan(files, {2027, 6, 1, 0, 0, 0, 0}, {30, 1000}), (std::vector<Fate>(5, K)));
}

TEST(CleanupPlan, CountsDaysAcrossMonthsYearsAndLeapDays) {
  struct Case {
    const char* what;
    std::vector<LocalDateTime> made;
    LocalDateTime now;
    std::vector<Fate> fates;
  };
  const Case cases[] = {
      {"leap year: 29 February is a day",
       {{2024, 2, 28, 23, 0, 0, 0}, {2024, 2, 29, 23, 0, 0, 0}, {2024, 3, 1, 23, 0, 0, 0}, {2024, 3, 2, 23, 0, 0, 0}},
       {2024, 3, 2, 23, 0, 1, 0},
       {R, R, K, K}},
      {"no leap day in 2023",
       {{2023, 2, 28, 23, 0, 0, 0}, {2023, 3, 1, 23, 0, 0, 0}, {2023, 3, 2, 23, 0, 0, 0}},
       {2023, 3, 2, 23, 0, 1, 0},
       {R, K, K}},
      {"2100 is no leap year",
       {{2100, 2, 28, 12, 0, 0, 0}, {2100, 3, 1, 12, 0, 0, 0}},
       {2100, 3, 2, 12, 0, 0, 0},
       {K, K}},
      {"2100 is no leap year, a second later",
       {{2100, 2, 28, 12, 0, 0, 0}, {2100, 3, 1, 12, 0, 0, 0}},
       {2100, 3, 2, 12, 0, 1, 0},
       {R, K}},
      {"over the year's end",
       {{2026, 12, 30, 23, 59, 59, 0}, {2026, 12, 31, 0, 0, 0, 0}, {2027, 1, 1, 0, 0, 0, 0}},
       {2027, 1, 2, 0, 0, 0, 0},
       {R, K, K}},
      {"30 April to 2 May",
       {{2026, 4, 30, 8, 0, 0, 0}, {2026, 5, 1, 8, 0, 0, 0}, {2026, 5, 2, 8, 0, 0, 0}},
       {2026, 5, 2, 8, 0, 1, 0},
       {R, K, K}},
  };
  for (const Case& c : cases) {
    std::vector<MadeFile> files;
    for (std::size_t i = 0; i < c.made.size(); ++i) {
      files.push_back(Made("D:\\B\\" + std::to_string(i) + ".rar", c.made[i]));
    }
    EXPECT_EQ(Plan(files, c.now, {2, 1}), c.fates) << c.what;
  }
  EXPECT_EQ(backup::CalendarSeconds({2024, 3, 1, 0, 0, 0, 0}) - backup::CalendarSeconds({2024, 2, 28, 0, 0, 0, 0}),
            2 * 86400);
  EXPECT_EQ(backup::CalendarSeconds({1970, 1, 1, 0, 0, 0, 0}), 0);
  EXPECT_EQ(backup::CalendarSeconds({2000, 3, 1, 0, 0, 0, 0}), 951868800);
}

TEST(CleanupPlan, TheNewestAreCountedInEachFolderAndFailedArchivesNeverCount) {
  const LocalDateTime old{2026, 11, 1, 2, 0, 0, 0};
  const std::vector<MadeFile> files = {
      Made("D:\\B\\a.rar", old),           Made("E:\\Mirror\\Copy of a.rar", old),
      Made("D:\\B\\b.rar", old),           Made("e:\\MIRROR\\Copy of b.rar", old),
      Made("D:\\B\\c.rar", old, false),    // failed its test: removed by age, never kept as a newest
      Made("F:\\Other\\Copy of a.rar", old),
  };
  EXPECT_EQ(Plan(files, {2026, 12, 9, 2, 0, 0, 0}, {2, 2}), (std::vector<Fate>{K, K, K, K, R, K}));
  EXPECT_EQ(Plan(files, {2026, 12, 9, 2, 0, 0, 0}, {2, 1}), (std::vector<Fate>{R, R, K, K, R, K}));
  EXPECT_EQ(Plan(files, {2026, 11, 2, 2, 0, 0, 0}, {2, 1}), (std::vector<Fate>(6, K)))
      << "a failed archive younger than KeepDays stays for inspection";
}

TEST(CleanupPlan, FilesNotFoundAsMadeAreForgottenAndAnUnreachableFolderIsSkipped) {
  const auto files = Daily(1, 5);
  const std::vector<Presence> presence = {Presence::kGone, Presence::kOtherSize, Presence::kFolderUnreachable,
                                          Presence::kPresent, Presence::kPresent};
  EXPECT_EQ(Plan(files, {2026, 12, 30, 0, 0, 0, 0}, {2, 1}, presence),
            (std::vector<Fate>{Fate::kForgetGone, Fate::kForgetReplaced, Fate::kSkip, R, K}))
      << "a replaced file is not counted among the newest either";
  EXPECT_EQ(Plan(files, {2026, 12, 30, 0, 0, 0, 0}, {2, 1}, presence, false),
            (std::vector<Fate>{Fate::kForgetGone, Fate::kForgetReplaced, Fate::kSkip, K, K}))
      << "a run that did not fully succeed removes nothing, but the record still loses what is gone";
  EXPECT_EQ(Plan(files, {2026, 12, 30, 0, 0, 0, 0}, {0, 1}), (std::vector<Fate>(5, K))) << "KeepDays 0 keeps all";
}

TEST(CleanupPlan, AClockSetForwardFarNeverRemovesTheNewest) {
  const auto files = Daily(1, 5);
  EXPECT_EQ(Plan(files, {2027, 12, 5, 2, 0, 30, 0}, {2, 2}), (std::vector<Fate>{R, R, R, K, K}));
  EXPECT_EQ(Plan(files, {2027, 12, 5, 2, 0, 30, 0}, {2, 5}), (std::vector<Fate>(5, K)));

  // A file made while the clock ran a year ahead, and the clock set right again: that file stays
  // until its time comes, and it does not hold back the clean-up of the files around it.
  std::vector<MadeFile> mixed = Daily(1, 5);
  mixed[2].made = {2027, 12, 3, 2, 0, 7, 0};
  EXPECT_EQ(Plan(mixed, {2026, 12, 5, 2, 0, 30, 0}, {2, 1}), (std::vector<Fate>{R, R, K, K, K}));
  EXPECT_EQ(Plan(mixed, {2026, 12, 9, 2, 0, 30, 0}, {2, 1}), (std::vector<Fate>{R, R, K, R, K}));
}

TEST(CleanupPlan, AClockSetBackNeverMakesLaterFilesLookOlderThanEarlierOnes) {
  // Three archives made in December 2026, then the clock set back a year for two more.
  std::vector<MadeFile> files = Daily(1, 5);
  files[3].made = {2025, 12, 4, 2, 0, 7, 0};
  files[4].made = {2025, 12, 5, 2, 0, 7, 0};
  EXPECT_EQ(Plan(files, {2025, 12, 5, 2, 0, 30, 0}, {2, 1}), (std::vector<Fate>(5, K)))
      << "files from a time still ahead look as young as can be";
  EXPECT_EQ(Plan(files, {2025, 12, 8, 2, 0, 30, 0}, {2, 1}), (std::vector<Fate>{K, K, K, R, K}))
      << "files made on the set-back clock age on it";
  // The clock set right again: the archive made on 2025-12-04 was made after the one of 2026-12-03,
  // so it is not taken for a year old.
  EXPECT_EQ(Plan(files, {2026, 12, 4, 2, 0, 30, 0}, {2, 1}), (std::vector<Fate>{R, R, K, K, K}));
  EXPECT_EQ(Plan(files, {2026, 12, 6, 2, 0, 30, 0}, {2, 1}), (std::vector<Fate>{R, R, R, R, K}));
}

}  // namespace cleanup_plan_test
