#pragma once
// How long a notification may take and when it is tried again: at most 10 seconds to connect and
// 20 seconds in all, one retry 5 seconds after a network error or a 5xx answer, none after a 4xx
// (the receiver refused this request; sending it again changes nothing).
#include <cstdint>
#include <optional>
#include <string>

namespace backup {

// What one attempt came to.
struct HttpAnswer {
  bool answered = false;  // a status line arrived
  int status = 0;         // the status, when answered
  std::string failure;    // why nothing usable arrived ("timed out", "connection refused", ...)
};

struct AttemptLimits {
  std::int64_t connectMs = 0;
  std::int64_t totalMs = 0;  // of this attempt: connecting, sending and the answer's status line
};

class NotifyPolicy {
 public:
  NotifyPolicy() = default;
  // Shorter times for tests; the rules stay the same.
  NotifyPolicy(std::int64_t connectMs, std::int64_t totalMs, std::int64_t retryDelayMs)
      : connectMs_(connectMs), totalMs_(totalMs), retryDelayMs_(retryDelayMs) {}

  // Limits of an attempt that starts elapsedMs after the first one began; nullopt when no time is left.
  [[nodiscard]] std::optional<AttemptLimits> LimitsAt(std::int64_t elapsedMs) const;
  // After attempt number `attempts` (1, 2, ...) ended elapsedMs after the first began: the wait before
  // the next attempt, or nullopt when the notification is over.
  [[nodiscard]] std::optional<std::int64_t> RetryAfter(const HttpAnswer& answer, int attempts,
                                                       std::int64_t elapsedMs) const;

  [[nodiscard]] static bool Delivered(const HttpAnswer& answer) {
    return answer.answered && answer.status >= 200 && answer.status < 300;
  }

 private:
  std::int64_t connectMs_ = 10000;
  std::int64_t totalMs_ = 20000;
  std::int64_t retryDelayMs_ = 5000;
};

// The history's words for the end of a notification: "sent 200" or "failed <reason>", with the
// number of attempts and the seconds they took when it was more than one quick attempt.
std::string NotifyResultText(const HttpAnswer& last, int attempts, std::int64_t elapsedMs);

}  // namespace backup
