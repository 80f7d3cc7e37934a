#pragma once
// Whether a connection routine or a backup run is in progress, so that nothing starts a second one on
// top of it (a click, the tray menu or the alarm clock while a dialog of the first one waits, or while
// it blocks). A refused start does nothing and shows nothing.
//
// The entry points take it (the start-up sequence, the Login command, the scheduled and the
// immediate backup run); the connection routine itself does not, since a backup run that holds the
// guard opens its connection through it:
//
//   const auto busy = Busy.TryEnter(app::BusyGuard::Activity::backupRun);
//   if (!busy) {
//     return;  // refused without a message
//   }
//   ...  // the guard is released when `busy` goes out of scope, also by an exception
#include <optional>

namespace app {

class BusyGuard {
 public:
  enum class Activity { none, connecting, backupRun };

  // Held while the activity runs; releases the guard when it goes.
  class Scope {
   public:
    Scope(Scope&& other) noexcept;
    Scope& operator=(Scope&&) = delete;
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    ~Scope();

   private:
    friend class BusyGuard;
    explicit Scope(BusyGuard& guard) : guard_(&guard) {}
    BusyGuard* guard_;
  };

  BusyGuard() = default;
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

  // A scope when nothing runs; nullopt (refused) while something does. `activity` must not be none.
  [[nodiscard]] std::optional<Scope> TryEnter(Activity activity);
  [[nodiscard]] bool Busy() const { return current_ != Activity::none; }
  [[nodiscard]] Activity Current() const { return current_; }

 private:
  Activity current_ = Activity::none;
};

}  // namespace app
