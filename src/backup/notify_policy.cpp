#include "backup/notify_policy.h"

#include <algorithm>

namespace backup {
namespace {

// A retry with less time than this left could not even connect.
constexpr std::int64_t kLeastUsefulAttemptMs = 1000;

}  // namespace

std::optional<AttemptLimits> NotifyPolicy::LimitsAt(std::int64_t elapsedMs) const {
  const std::int64_t left = totalMs_ - std::max<std::int64_t>(elapsedMs, 0);
  if (left <= 0) {
    return std::nullopt;
  }
  return AttemptLimits{std::min(connectMs_, left), left};
}

std::optional<std::int64_t> NotifyPolicy::RetryAfter(const HttpAnswer& answer, int attempts,
                                                     std::int64_t elapsedMs) const {
  if (Delivered(answer) || attempts >= 2) {
    return std::nullopt;
  }
  const bool worthRetrying = !answer.answered || (answer.status >= 500 && answer.status < 600);
  if (!worthRetrying || elapsedMs + retryDelayMs_ + kLeastUsefulAttemptMs > totalMs_) {
    return std::nullopt;
  }
  return retryDelayMs_;
}

std::string NotifyResultText(const HttpAnswer& last, int attempts, std::int64_t elapsedMs) {
  std::string text = NotifyPolicy::Delivered(last) ? "sent " + std::to_string(last.status)
                     : last.answered                ? "failed " + std::to_string(last.status)
                                                    : "failed " + last.failure;
  const std::int64_t seconds = (elapsedMs + 500) / 1000;
  if (attempts > 1 || seconds >= 1) {
    text += " after " + std::to_string(attempts) + (attempts == 1 ? " attempt, " : " attempts, ") +
            std::to_string(seconds) + " s";
  }
  return text;
}

}  // namespace backup
