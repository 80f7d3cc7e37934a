#include "schedule/call_queue.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace schedule {

struct CallQueue::Request {
  enum class State { kQueued, kRunning, kDone, kDropped };
  explicit Request(std::function<void()> c) : call(std::move(c)) {}
  std::function<void()> call;
  State state = State::kQueued;
  std::exception_ptr error;
};

CallQueue::CallQueue(std::function<bool()> wakeUi) : wakeUi_(std::move(wakeUi)) {}

CallQueue::~CallQueue() { Close(); }

bool CallQueue::RunAndWait(std::function<void()> call, const std::atomic<bool>& cancelled) {
  using State = Request::State;
  auto request = std::make_shared<Request>(std::move(call));
  {
    std::lock_guard lock(mutex_);
    if (closed_ || cancelled) {
      return false;
    }
    pending_.push_back(request);
  }
  if (!wakeUi_()) {
    Withdraw(request);
  }

  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] {
    return request->state == State::kDone || request->state == State::kDropped ||
           (cancelled && request->state == State::kQueued);
  });
  if (request->state == State::kQueued) {
    // Cancelled before the user-interface thread took the call: it must never run now.
    pending_.erase(std::remove(pending_.begin(), pending_.end(), request), pending_.end());
    return false;
  }
  if (request->state == State::kRunning) {
    // A started call may refer to the caller's state, so it is always waited for.
    finished_.wait(lock, [&] { return request->state == State::kDone; });
  }
  if (request->state == State::kDropped) {
    return false;
  }
  if (request->error) {
    std::rethrow_exception(request->error);
  }
  return true;
}

void CallQueue::Withdraw(const std::shared_ptr<Request>& request) {
  std::lock_guard lock(mutex_);
  if (request->state == Request::State::kQueued) {
    pending_.erase(std::remove(pending_.begin(), pending_.end(), request), pending_.end());
    request->state = Request::State::kDropped;
  }
}

void CallQueue::RunPending() {
  for (;;) {
    std::shared_ptr<Request> request;
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) {
        return;
      }
      request = std::move(pending_.front());
      pending_.pop_front();
      request->state = Request::State::kRunning;
    }
    try {
      request->call();
    } catch (...) {
      request->error = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      request->state = Request::State::kDone;
    }
    finished_.notify_all();
  }
}

void CallQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (const auto& request : pending_) {
      request->state = Request::State::kDropped;
    }
    pending_.clear();
  }
  finished_.notify_all();
}

void CallQueue::WakeWaiters() {
  // Taking the lock orders this after a waiter's check of its flag, so no wake-up is lost.
  { std::lock_guard lock(mutex_); }
  finished_.notify_all();
}

std::size_t CallQueue::PendingCount() const {
  std::lock_guard lock(mutex_);
  return pending_.size();
}

}  // namespace schedule
