#include "backup/notify_policy.h"

#include <gtest/gtest.h>

namespace {

using backup::HttpAnswer;
using backup::NotifyPolicy;
using backup::NotifyResultText;

const HttpAnswer kNetworkError{false, 0, "cannot connect"};
HttpAnswer Status(int status) { return HttpAnswer{true, status, ""}; }

TEST(NotifyPolicy, AttemptLimitsShrinkWithTheTimeSpent) {
  const NotifyPolicy policy;
  EXPECT_EQ(policy.LimitsAt(0)->connectMs, 10000);
  EXPECT_EQ(policy.LimitsAt(0)->totalMs, 20000);
  EXPECT_EQ(policy.LimitsAt(12000)->connectMs, 8000);  // never past the 20 seconds in all
  EXPECT_EQ(policy.LimitsAt(12000)->totalMs, 8000);
  EXPECT_EQ(policy.LimitsAt(19999)->totalMs, 1);
  EXPECT_FALSE(policy.LimitsAt(20000));
  EXPECT_FALSE(policy.LimitsAt(45000));
  EXPECT_EQ(policy.LimitsAt(-5)->totalMs, 20000);  // a clock read before the start counts as the start
}

TEST(NotifyPolicy, OneRetryAfterFiveSecondsOnNetworkErrorsAnd5xxOnly) {
  const NotifyPolicy policy;
  EXPECT_EQ(policy.RetryAfter(kNetworkError, 1, 100), 5000);
  EXPECT_EQ(policy.RetryAfter(Status(500), 1, 100), 5000);
  EXPECT_EQ(policy.RetryAfter(Status(503), 1, 100), 5000);
  EXPECT_EQ(policy.RetryAfter(Status(599), 1, 100), 5000);
  for (int status : {200, 201, 204, 299, 301, 302, 400, 401, 404, 429, 499, 600}) {
    EXPECT_FALSE(policy.RetryAfter(Status(status), 1, 100)) << status;
  }
  EXPECT_FALSE(policy.RetryAfter(Status(500), 2, 5200));    // one retry, not two
  EXPECT_FALSE(policy.RetryAfter(kNetworkError, 2, 5200));
}

TEST(NotifyPolicy, NoRetryThatCouldNotFinishWithinTheTwentySeconds) {
  const NotifyPolicy policy;
  EXPECT_EQ(policy.RetryAfter(kNetworkError, 1, 14000), 5000);  // 1 s left after the wait
  EXPECT_FALSE(policy.RetryAfter(kNetworkError, 1, 14001));
  EXPECT_FALSE(policy.RetryAfter(HttpAnswer{false, 0, "timed out"}, 1, 20000));  // a hanging receiver
}

TEST(NotifyPolicy, OnlyTwoHundredsAreDelivered) {
  EXPECT_TRUE(NotifyPolicy::Delivered(Status(200)));
  EXPECT_TRUE(NotifyPolicy::Delivered(Status(204)));
  EXPECT_FALSE(NotifyPolicy::Delivered(Status(199)));
  EXPECT_FALSE(NotifyPolicy::Delivered(Status(300)));
  EXPECT_FALSE(NotifyPolicy::Delivered(HttpAnswer{false, 200, "reset"}));
}

TEST(NotifyResultText, SaysWhatHappenedAndHowLong) {
  EXPECT_EQ(NotifyResultText(Status(200), 1, 40), "sent 200");
  EXPECT_EQ(NotifyResultText(Status(200), 2, 5100), "sent 200 after 2 attempts, 5 s");
  EXPECT_EQ(NotifyResultText(Status(404), 1, 30), "failed 404");
  EXPECT_EQ(NotifyResultText(Status(500), 2, 5050), "failed 500 after 2 attempts, 5 s");
  EXPECT_EQ(NotifyResultText(HttpAnswer{false, 0, "timed out"}, 1, 20010), "failed timed out after 1 attempt, 20 s");
}

}  // namespace
