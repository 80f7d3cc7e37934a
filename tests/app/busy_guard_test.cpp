#include "app/busy_guard.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <utility>

namespace {

using app::BusyGuard;
using Activity = BusyGuard::Activity;

TEST(BusyGuard, RefusesASecondActivityWhileOneRunsAndAllowsTheNextAfterIt) {
  BusyGuard guard;
  EXPECT_FALSE(guard.Busy());
  {
    auto connecting = guard.TryEnter(Activity::connecting);
    ASSERT_TRUE(connecting.has_value());
    EXPECT_EQ(guard.Current(), Activity::connecting);
    EXPECT_FALSE(guard.TryEnter(Activity::backupRun).has_value()) << "no backup on top of a connection";
    EXPECT_FALSE(guard.TryEnter(Activity::connecting).has_value()) << "no second connection routine";
    EXPECT_EQ(guard.Current(), Activity::connecting) << "a refused start changes nothing";
  }
  EXPECT_FALSE(guard.Busy());
  EXPECT_TRUE(guard.TryEnter(Activity::backupRun).has_value());
  EXPECT_FALSE(guard.Busy()) << "the temporary scope released the guard at once";
}

TEST(BusyGuard, AnExceptionReleasesTheGuard) {
  BusyGuard guard;
  try {
    const auto run = guard.TryEnter(Activity::backupRun);
    throw std::runtime_error("server gone");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(guard.Busy());
}

TEST(BusyGuard, AMovedScopeReleasesOnceWhenTheLastOwnerGoes) {
  BusyGuard guard;
  std::optional<BusyGuard::Scope> outer;
  {
    auto inner = guard.TryEnter(Activity::connecting);
    outer.emplace(std::move(*inner));
  }
  EXPECT_TRUE(guard.Busy()) << "the moved-from scope must not release";
  outer.reset();
  EXPECT_FALSE(guard.Busy());
}

TEST(BusyGuard, NoneIsNotAnActivity) {
  BusyGuard guard;
  EXPECT_THROW((void)guard.TryEnter(Activity::none), std::invalid_argument);
  EXPECT_FALSE(guard.Busy());
}

}  // namespace
