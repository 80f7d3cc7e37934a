#include "schedule/call_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "support/eventually.h"

namespace {

using namespace std::chrono_literals;
using schedule::CallQueue;

const std::atomic<bool> kNeverCancelled{false};

using testing_support::Eventually;

TEST(CallQueue, ExceptionOfTheCallIsRethrownInTheCaller) {
  CallQueue queue([] { return true; });
  auto caller = std::async(std::launch::async, [&] {
    return queue.RunAndWait([] { throw std::runtime_error("refused"); }, kNeverCancelled);
  });
  ASSERT_TRUE(Eventually([&] { return queue.PendingCount() == 1; }));
  queue.RunPending();
  try {
    caller.get();
    FAIL() << "the exception was lost";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "refused");
  }
}

TEST(CallQueue, CloseReleasesAWaitingCallerWithoutRunningItsCall) {
  CallQueue queue([] { return true; });
  bool ran = false;
  auto caller = std::async(std::launch::async, [&] { return queue.RunAndWait([&] { ran = true; }, kNeverCancelled); });
  ASSERT_TRUE(Eventually([&] { return queue.PendingCount() == 1; }));
  queue.Close();
  ASSERT_EQ(caller.wait_for(5s), std::future_status::ready);
  EXPECT_FALSE(caller.get());
  queue.RunPending();
  EXPECT_FALSE(ran);
  EXPECT_FALSE(queue.RunAndWait([&] { ran = true; }, {})) << "a closed queue takes no more calls";
  EXPECT_FALSE(ran);
}

TEST(CallQueue, FailedWakeUpWithdrawsTheCall) {
  CallQueue queue([] { return false; });
  bool ran = false;
  EXPECT_FALSE(queue.RunAndWait([&] { ran = true; }, {}));
  EXPECT_EQ(queue.PendingCount(), 0u);
  queue.RunPending();
  EXPECT_FALSE(ran);
}

}  // namespace
