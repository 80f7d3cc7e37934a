#pragma once
// The waiting side of handing calls to the user-interface thread, without the window: callers queue a
// call and block; the user-interface thread runs the queue when woken. A window dispatcher (or a test's
// stand-in for the user-interface thread) only supplies the wake-up and calls RunPending.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "schedule/tick_timer.h"

namespace schedule {

class CallQueue final : public UiDispatcher {
 public:
  // wakeUi runs on the caller's thread after a call was queued and must make the user-interface
  // thread call RunPending soon; false means it could not, and the call is withdrawn.
  explicit CallQueue(std::function<bool()> wakeUi);
  ~CallQueue() override;
  CallQueue(const CallQueue&) = delete;
  CallQueue& operator=(const CallQueue&) = delete;

  bool RunAndWait(std::function<void()> call, const std::atomic<bool>& cancelled) override;
  void WakeWaiters() override;

  // User-interface thread: runs every queued call, each with its exception kept for its caller.
  void RunPending();
  // Releases every waiting caller whose call has not started; later calls return false at once.
  void Close();
  [[nodiscard]] std::size_t PendingCount() const;

 private:
  struct Request;
  void Withdraw(const std::shared_ptr<Request>& request);

  std::function<bool()> wakeUi_;
  mutable std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<std::shared_ptr<Request>> pending_;
  bool closed_ = false;
};

}  // namespace schedule
