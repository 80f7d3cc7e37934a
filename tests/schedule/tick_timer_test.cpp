#include "schedule/tick_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/eventually.h"

#include "schedule/call_queue.h"

namespace {

using namespace std::chrono_literals;
using schedule::CallQueue;
using schedule::TTickTimer;
using Clock = std::chrono::steady_clock;

using testing_support::Eventually;

// A stand-in for the user-interface thread: serves the queue when woken, unless the test holds it.
class FakeUiThread {
 public:
  FakeUiThread() : thread_([this] { Loop(); }) {}
  ~FakeUiThread() { End(); }

  CallQueue queue{[this] { return Wake(); }};

  void Hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      held_ = false;
    }
    changed_.notify_all();
  }
  // The thread ends without closing the queue: nothing serves the calls any more.
  void End() {
    {
      std::lock_guard lock(mutex_);
      ended_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
      thread_.join();
    }
  }
  [[nodiscard]] std::thread::id Id() const { return thread_.get_id(); }

 private:
  bool Wake() {
    {
      std::lock_guard lock(mutex_);
      ++wakes_;
    }
    changed_.notify_all();
    return true;
  }
  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return ended_ || (wakes_ > 0 && !held_); });
      if (ended_) {
        return;
      }
      wakes_ = 0;
      lock.unlock();
      queue.RunPending();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  int wakes_ = 0;
  bool held_ = false;
  bool ended_ = false;
  std::thread thread_;  // after queue and the flags: started last
};

struct TickLog {
  std::mutex mutex;
  std::vector<std::thread::id> tickThreads;
  std::vector<std::string> errors;
  std::vector<std::thread::id> errorThreads;
  std::atomic<int> ticks{0};
};

TEST(TTickTimer, TicksRunOnTheUiThreadAndTheWorkerWaitsForEach) {
  FakeUiThread ui;
  TickLog log;
  std::atomic<int> queuedDuringTick{0};
  TTickTimer timer(ui.queue, 2);
  timer.SetOnTimer([&] {
    // A tick slower than the interval: a worker that did not wait would queue the next one meanwhile.
    std::this_thread::sleep_for(15ms);
    queuedDuringTick += static_cast<int>(ui.queue.PendingCount());
    std::lock_guard lock(log.mutex);
    log.tickThreads.push_back(std::this_thread::get_id());
    ++log.ticks;
  });
  ASSERT_TRUE(Eventually([&] { return log.ticks >= 5; }));
  timer.SetOnTimer(nullptr);
  std::lock_guard lock(log.mutex);
  for (const auto& id : log.tickThreads) {
    EXPECT_EQ(id, ui.Id());
  }
  EXPECT_EQ(queuedDuringTick, 0);
}

struct FailingTick {
  const char* name;
  std::function<void()> fail;
  std::string expectedMessage;  // empty: any non-empty message
};

class TickTimerFailure : public ::testing::TestWithParam<FailingTick> {};

TEST_P(TickTimerFailure, ExceptionGoesToOnErrorOnTheUiThreadAndTickingGoesOn) {
  FakeUiThread ui;
  TickLog log;
  TTickTimer timer(ui.queue, 2);
  timer.SetOnError([&](const std::string& message) {
    std::lock_guard lock(log.mutex);
    log.errors.push_back(message);
    log.errorThreads.push_back(std::this_thread::get_id());
  });
  timer.SetOnTimer([&] {
    if (++log.ticks <= 2) {
      GetParam().fail();
    }
  });
  ASSERT_TRUE(Eventually([&] { return log.ticks >= 5; })) << "ticking stopped after a failed tick";
  std::lock_guard lock(log.mutex);
  ASSERT_EQ(log.errors.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    if (GetParam().expectedMessage.empty()) {
      EXPECT_FALSE(log.errors[i].empty());
    } else {
      EXPECT_EQ(log.errors[i], GetParam().expectedMessage);
    }
    EXPECT_EQ(log.errorThreads[i], ui.Id());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TickTimerFailure,
    ::testing::Values(FailingTick{"StdException", [] { throw std::runtime_error("Unable to write to x.ini"); },
                                  "Unable to write to x.ini"},
                      FailingTick{"OtherThrown", [] { throw 42; }, ""}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(TTickTimer, FailingErrorHandlerDoesNotStopTheWorker) {
  FakeUiThread ui;
  std::atomic<int> ticks{0};
  TTickTimer timer(ui.queue, 2);
  timer.SetOnError([](const std::string&) { throw std::runtime_error("balloon failed"); });
  timer.SetOnTimer([&] {
    ++ticks;
    throw std::runtime_error("backup failed");
  });
  EXPECT_TRUE(Eventually([&] { return ticks >= 4; }));
}

TEST(TTickTimer, DestructionCutsALongSleepShort) {
  FakeUiThread ui;
  auto timer = std::make_unique<TTickTimer>(ui.queue, 60'000);
  timer->SetOnTimer([] {});
  std::this_thread::sleep_for(20ms);
  const auto start = Clock::now();
  timer.reset();
  EXPECT_LT(Clock::now() - start, 1s);
}

enum class UiGone { kHeld, kEnded, kEndedAndClosed };

class TickTimerShutdown : public ::testing::TestWithParam<UiGone> {};

TEST_P(TickTimerShutdown, DestructionWithATickWaitingForAnUnservedUiDoesNotHang) {
  FakeUiThread ui;
  ui.Hold();
  std::atomic<int> ticks{0};
  auto timer = std::make_unique<TTickTimer>(ui.queue, 1);
  timer->SetOnTimer([&] { ++ticks; });
  ASSERT_TRUE(Eventually([&] { return ui.queue.PendingCount() == 1; })) << "no tick was handed over";
  if (GetParam() != UiGone::kHeld) {
    ui.End();
  }
  if (GetParam() == UiGone::kEndedAndClosed) {
    ui.queue.Close();
  }

  auto destroy = std::async(std::launch::async, [&] { timer.reset(); });
  ASSERT_EQ(destroy.wait_for(2s), std::future_status::ready) << "destruction hung";
  EXPECT_EQ(ui.queue.PendingCount(), 0u) << "the unserved tick was left behind";

  ui.Release();
  ui.queue.RunPending();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(ticks, 0) << "a tick withdrawn at destruction ran afterwards";
}

INSTANTIATE_TEST_SUITE_P(States, TickTimerShutdown,
                         ::testing::Values(UiGone::kHeld, UiGone::kEnded, UiGone::kEndedAndClosed));

TEST(TTickTimer, DestructionWaitsForATickThatIsRunning) {
  FakeUiThread ui;
  std::promise<void> release;
  auto gate = release.get_future().share();
  std::atomic<bool> inTick{false};
  std::atomic<bool> tickFinished{false};
  auto timer = std::make_unique<TTickTimer>(ui.queue, 1);
  timer->SetOnTimer([&, gate] {
    if (tickFinished) {
      return;
    }
    inTick = true;
    gate.wait();
    tickFinished = true;
  });
  ASSERT_TRUE(Eventually([&] { return inTick.load(); }));
  auto destroy = std::async(std::launch::async, [&] { timer.reset(); });
  EXPECT_EQ(destroy.wait_for(50ms), std::future_status::timeout) << "destroyed under a running tick";
  release.set_value();
  ASSERT_EQ(destroy.wait_for(2s), std::future_status::ready);
  EXPECT_TRUE(tickFinished);
}

struct Idle {
  const char* name;
  std::uint32_t interval;
  bool enabled;
  bool handler;
};

class TickTimerIdle : public ::testing::TestWithParam<Idle> {};

TEST_P(TickTimerIdle, NoHandOverUntilActiveThenTicks) {
  FakeUiThread ui;
  ui.Hold();  // every hand-over would stay queued where the test can see it
  std::atomic<int> ticks{0};
  TTickTimer timer(ui.queue, GetParam().interval);
  timer.SetEnabled(GetParam().enabled);
  if (GetParam().handler) {
    timer.SetOnTimer([&] { ++ticks; });
  }
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(ui.queue.PendingCount(), 0u);

  timer.SetInterval(2);
  timer.SetEnabled(true);
  timer.SetOnTimer([&] { ++ticks; });
  ui.Release();
  EXPECT_TRUE(Eventually([&] { return ticks >= 2; }));
}

INSTANTIATE_TEST_SUITE_P(Settings, TickTimerIdle,
                         ::testing::Values(Idle{"Disabled", 2, false, true}, Idle{"NoHandler", 2, true, false},
                                           Idle{"ZeroInterval", 0, true, true}),
                         [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

}  // namespace
