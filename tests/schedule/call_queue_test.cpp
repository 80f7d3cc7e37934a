#include "schedule/call_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using schedule::CallQueue;

const std::atomic<bool> kNeverCancelled{false};

// Waits (bounded) until cond holds; a test fails instead of hanging.
template <typename Cond>
bool Eventually(Cond cond, std::chrono::milliseconds limit = 5s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!cond()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

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

TEST(CallQueue, CallsFromSeveralThreadsRunOnceEachOnTheServingThread) {
  CallQueue queue([] { return true; });
  std::atomic<bool> done{false};
  std::thread::id server;
  std::thread ui([&] {
    server = std::this_thread::get_id();
    while (!done) {
      queue.RunPending();
      std::this_thread::sleep_for(1ms);
    }
  });
  std::vector<std::thread::id> ranOn;
  std::vector<int> runs(4, 0);
  std::vector<std::thread> callers;
  for (int i = 0; i < 4; ++i) {
    callers.emplace_back([&, i] {
      for (int k = 0; k < 25; ++k) {
        EXPECT_TRUE(queue.RunAndWait([&, i] { ++runs[static_cast<std::size_t>(i)]; ranOn.push_back(std::this_thread::get_id()); }, {}));
      }
    });
  }
  for (auto& c : callers) {
    c.join();
  }
  done = true;
  ui.join();
  EXPECT_EQ(runs, std::vector<int>(4, 25));
  ASSERT_EQ(ranOn.size(), 100u);
  for (const auto& id : ranOn) {
    EXPECT_EQ(id, server);
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

TEST(CallQueue, CancelBeforeTheCallIsTakenWithdrawsIt) {
  CallQueue queue([] { return true; });
  std::atomic<bool> cancelled{false};
  bool ran = false;
  auto caller = std::async(std::launch::async, [&] { return queue.RunAndWait([&] { ran = true; }, cancelled); });
  ASSERT_TRUE(Eventually([&] { return queue.PendingCount() == 1; }));
  cancelled = true;
  queue.WakeWaiters();
  ASSERT_EQ(caller.wait_for(5s), std::future_status::ready);
  EXPECT_FALSE(caller.get());
  EXPECT_EQ(queue.PendingCount(), 0u);
  queue.RunPending();
  EXPECT_FALSE(ran) << "a withdrawn call must never run later";
}

TEST(CallQueue, CancelDuringARunningCallStillWaitsForIt) {
  CallQueue queue([] { return true; });
  std::atomic<bool> cancelled{false};
  std::promise<void> release;
  std::atomic<bool> started{false};
  std::atomic<bool> finished{false};
  auto caller = std::async(std::launch::async, [&] {
    return queue.RunAndWait(
        [&, gate = release.get_future().share()] {
          started = true;
          gate.wait();
          finished = true;
        },
        cancelled);
  });
  ASSERT_TRUE(Eventually([&] { return queue.PendingCount() == 1; }));
  std::thread ui([&] { queue.RunPending(); });
  ASSERT_TRUE(Eventually([&] { return started.load(); }));
  cancelled = true;
  queue.WakeWaiters();
  EXPECT_EQ(caller.wait_for(50ms), std::future_status::timeout) << "the caller left while its call was running";
  release.set_value();
  ui.join();
  EXPECT_TRUE(caller.get());
  EXPECT_TRUE(finished);
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
