#pragma once
// The clock's tick source: a worker thread that sleeps its interval and hands each tick to the
// user-interface thread, waiting until it has run. Window-free: the hand-over goes through UiDispatcher.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace schedule {

// Runs calls on the user-interface thread for other threads.
class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  // Runs call on the user-interface thread and blocks until it has run; an exception escaping the call
  // is rethrown here. Returns false without running the call when `cancelled` is set before the call
  // has started (whoever sets it then calls WakeWaiters), or when the user-interface side has shut
  // down. A call that has started is always waited for, so nothing it refers to goes away under it.
  virtual bool RunAndWait(std::function<void()> call, const std::atomic<bool>& cancelled) = 0;
  // Makes every waiting caller look at its cancel flag again.
  virtual void WakeWaiters() = 0;
};

// Ticks about every Interval milliseconds (the interval plus the time a tick takes;
// no drift correction). OnTimer and OnError run on the user-interface thread, never overlapping.
class TTickTimer {
 public:
  static constexpr std::uint32_t kDefaultInterval = 1000;

  // The worker starts at once; it delivers ticks while Interval != 0, Enabled and OnTimer is assigned.
  explicit TTickTimer(UiDispatcher& dispatcher, std::uint32_t interval = kDefaultInterval);
  // Stops the worker and waits for it: its sleep is cut short, a hand-over not yet served is
  // withdrawn, a tick already running is waited for. Must not run inside this timer's own tick.
  ~TTickTimer();
  TTickTimer(const TTickTimer&) = delete;
  TTickTimer& operator=(const TTickTimer&) = delete;

  [[nodiscard]] std::uint32_t Interval() const;
  void SetInterval(std::uint32_t milliseconds);
  [[nodiscard]] bool Enabled() const;
  void SetEnabled(bool enabled);
  // The tick. May be set from any thread; it is called on the user-interface thread.
  void SetOnTimer(std::function<void()> onTimer);
  // Receives the message of an exception that escaped OnTimer; ticking goes on afterwards.
  void SetOnError(std::function<void(const std::string&)> onError);

 private:
  [[nodiscard]] bool ActiveLocked() const;
  void Changed();
  void Run();
  void Tick();

  UiDispatcher& dispatcher_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::uint32_t interval_;
  bool enabled_ = true;
  std::uint64_t generation_ = 0;  // bumped by every setting change so that the worker restarts its sleep
  std::atomic<bool> stopping_{false};  // written under mutex_, read by the dispatcher too
  std::function<void()> onTimer_;
  std::function<void(const std::string&)> onError_;
  std::thread worker_;  // last: it starts after everything it uses
};

}  // namespace schedule
