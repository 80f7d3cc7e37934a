#include "schedule/tick_timer.h"

#include <chrono>
#include <exception>
#include <utility>

namespace schedule {

TTickTimer::TTickTimer(UiDispatcher& dispatcher, std::uint32_t interval)
    : dispatcher_(dispatcher), interval_(interval), worker_([this] { Run(); }) {}

TTickTimer::~TTickTimer() {
  // Stopping cuts the sleep short and withdraws a hand-over the user-interface thread has not taken
  // yet; join then waits only for a tick that is already running.
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  dispatcher_.WakeWaiters();
  worker_.join();
}

std::uint32_t TTickTimer::Interval() const {
  std::lock_guard lock(mutex_);
  return interval_;
}

void TTickTimer::SetInterval(std::uint32_t milliseconds) {
  {
    std::lock_guard lock(mutex_);
    if (interval_ == milliseconds) {
      return;
    }
    interval_ = milliseconds;
  }
  Changed();
}

bool TTickTimer::Enabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}

void TTickTimer::SetEnabled(bool enabled) {
  {
    std::lock_guard lock(mutex_);
    if (enabled_ == enabled) {
      return;
    }
    enabled_ = enabled;
  }
  Changed();
}

void TTickTimer::SetOnTimer(std::function<void()> onTimer) {
  bool assignmentChanged = false;
  {
    std::lock_guard lock(mutex_);
    assignmentChanged = static_cast<bool>(onTimer_) != static_cast<bool>(onTimer);
    onTimer_ = std::move(onTimer);
  }
  // Replacing one handler by another keeps the running sleep.
  if (assignmentChanged) {
    Changed();
  }
}

void TTickTimer::SetOnError(std::function<void(const std::string&)> onError) {
  std::lock_guard lock(mutex_);
  onError_ = std::move(onError);
}

bool TTickTimer::ActiveLocked() const { return interval_ != 0 && enabled_ && static_cast<bool>(onTimer_); }

void TTickTimer::Changed() {
  {
    std::lock_guard lock(mutex_);
    ++generation_;
  }
  wake_.notify_all();
}

void TTickTimer::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!ActiveLocked()) {
      wake_.wait(lock, [this] { return stopping_ || ActiveLocked(); });
      continue;
    }
    // An interruptible sleep: a setting change starts it over, destruction ends it at once.
    const std::uint64_t generation = generation_;
    const bool woken = wake_.wait_for(lock, std::chrono::milliseconds(interval_),
                                      [&] { return stopping_ || generation_ != generation; });
    if (woken) {
      continue;
    }
    lock.unlock();
    try {
      dispatcher_.RunAndWait(
          [this] {
            if (!stopping_) {
              Tick();
            }
          },
          stopping_);
    } catch (...) {
      // Only a failing OnError gets here; the worker must outlive it and keep ticking.
    }
    lock.lock();
  }
}

void TTickTimer::Tick() {
  std::function<void()> onTimer;
  std::function<void(const std::string&)> onError;
  {
    std::lock_guard lock(mutex_);
    if (!enabled_ || !onTimer_) {
      return;
    }
    onTimer = onTimer_;
    onError = onError_;
  }
  try {
    onTimer();
  } catch (const std::exception& error) {
    if (onError) {
      onError(error.what());
    }
  } catch (...) {
    if (onError) {
      onError("Unknown exception in the clock's tick");
    }
  }
}

}  // namespace schedule
