#pragma once
#include <chrono>
#include <thread>

namespace testing_support {

// Waits (bounded) until cond holds, so that a test fails instead of hanging.
template <typename Cond>
bool Eventually(Cond cond, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!cond()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace testing_support
