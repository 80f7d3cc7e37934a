#include "controls/tray_add_retry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using controls::TrayAddRetryPlan;

// The retry times, from the first refusal, when every retry is refused and each timer is on time.
std::vector<std::uint64_t> RetryTimes(const TrayAddRetryPlan& plan, std::uint64_t lateness = 0) {
  std::vector<std::uint64_t> times;
  std::uint64_t now = 0;
  for (unsigned done = 0; done < 100; ++done) {
    const auto delay = plan.NextDelay(done, now);
    if (!delay) {
      return times;
    }
    now += *delay + lateness;
    times.push_back(now);
  }
  ADD_FAILURE() << "the retries never end";
  return times;
}

TEST(TrayAddRetryPlanTest, DefaultsRetryAFewTimesWithGrowingWaitsForTwoMinutes) {
  EXPECT_EQ(RetryTimes(TrayAddRetryPlan{}), (std::vector<std::uint64_t>{2000, 6000, 14000, 30000, 62000, 120000}));
}

TEST(TrayAddRetryPlanTest, GivesUpAtTheGiveUpTimeAndCutsTheLastWaitToIt) {
  const TrayAddRetryPlan plan;
  EXPECT_EQ(plan.NextDelay(0, 119999), 1u);
  EXPECT_EQ(plan.NextDelay(0, 120000), std::nullopt);
  EXPECT_EQ(plan.NextDelay(5, 62000), 58000u);
  EXPECT_EQ(plan.NextDelay(1, 0), 4000u);
}

TEST(TrayAddRetryPlanTest, LateTimersAndManyRetriesStillEndInTime) {
  // Timers that fire a second late (a busy machine) shift the retries but not the give-up time.
  const std::vector<std::uint64_t> late = RetryTimes(TrayAddRetryPlan{}, 1000);
  ASSERT_FALSE(late.empty());
  EXPECT_LE(late.back(), 121000u);
  // A count far beyond the doubling's range neither overflows nor returns a zero wait.
  EXPECT_EQ(TrayAddRetryPlan{}.NextDelay(4000000000u, 100000), 20000u);
}

TEST(TrayAddRetryPlanTest, AZeroFirstDelayStillGrowsAndAZeroGiveUpTimeNeverRetries) {
  const std::vector<std::uint64_t> times = RetryTimes(TrayAddRetryPlan{0, 100});
  EXPECT_EQ(times, (std::vector<std::uint64_t>{1, 3, 7, 15, 31, 63, 100}));
  EXPECT_EQ((TrayAddRetryPlan{2000, 0}.NextDelay(0, 0)), std::nullopt);
}

}  // namespace
