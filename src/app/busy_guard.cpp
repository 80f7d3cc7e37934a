#include "app/busy_guard.h"

#include <stdexcept>
#include <utility>

namespace app {

BusyGuard::Scope::Scope(Scope&& other) noexcept : guard_(std::exchange(other.guard_, nullptr)) {}

BusyGuard::Scope::~Scope() {
  if (guard_ != nullptr) {
    guard_->current_ = Activity::none;
  }
}

std::optional<BusyGuard::Scope> BusyGuard::TryEnter(Activity activity) {
  if (activity == Activity::none) {
    throw std::invalid_argument("BusyGuard: an activity is needed");
  }
  if (Busy()) {
    return std::nullopt;
  }
  current_ = activity;
  return Scope(*this);
}

}  // namespace app
