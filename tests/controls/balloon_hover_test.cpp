#include "controls/balloon_hover.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using controls::HoverTracker;
using A = HoverTracker::Action;
constexpr int kNone = HoverTracker::kNoTool;

struct HoverSample {
  std::uint64_t at;
  int tool;
  bool button;
  A expected;
};

struct HoverCase {
  const char* name;
  std::vector<HoverSample> samples;
};

class Hover : public ::testing::TestWithParam<HoverCase> {};

// Pauses 500 ms and 50 ms, as the application's defaults.
TEST_P(Hover, SampleSequence) {
  HoverTracker tracker(500, 50);
  for (const HoverSample& s : GetParam().samples) {
    EXPECT_EQ(tracker.Update(s.tool, s.button, s.at), s.expected) << "at " << s.at << " ms";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Hover,
    ::testing::Values(
        HoverCase{"ShowsAfterThePause",
                  {{0, kNone, false, A::kNone}, {100, 0, false, A::kNone}, {599, 0, false, A::kNone},
                   {600, 0, false, A::kShow}, {650, 0, false, A::kNone}, {5000, 0, false, A::kNone}}},
        HoverCase{"LeavingBeforeThePauseShowsNothing",
                  {{0, 0, false, A::kNone}, {450, kNone, false, A::kNone}, {1000, kNone, false, A::kNone}}},
        HoverCase{"LeavingHides",
                  {{0, 0, false, A::kNone}, {500, 0, false, A::kShow}, {700, kNone, false, A::kHide},
                   {1300, kNone, false, A::kNone}}},
        HoverCase{"ClickHidesUntilTheMouseLeaves",
                  {{0, 0, false, A::kNone}, {500, 0, false, A::kShow}, {600, 0, true, A::kHide},
                   {700, 0, false, A::kNone}, {2000, 0, false, A::kNone}, {2100, kNone, false, A::kNone},
                   {2200, 0, false, A::kNone}, {2700, 0, false, A::kShow}}},
        HoverCase{"ClickBeforeThePauseCancelsIt",
                  {{0, 0, false, A::kNone}, {200, 0, true, A::kNone}, {900, 0, false, A::kNone}}},
        HoverCase{"StraightToAnotherControlUsesTheShortPause",
                  {{0, 0, false, A::kNone}, {500, 0, false, A::kShow}, {800, 1, false, A::kHide},
                   {849, 1, false, A::kNone}, {850, 1, false, A::kShow}}},
        HoverCase{"ViaEmptySpaceTheFullPauseAgain",
                  {{0, 0, false, A::kNone}, {500, 0, false, A::kShow}, {800, kNone, false, A::kHide},
                   {850, 1, false, A::kNone}, {1000, 1, false, A::kNone}, {1350, 1, false, A::kShow}}},
        HoverCase{"DraggingInShowsNothing",
                  {{0, 0, true, A::kNone}, {600, 0, true, A::kNone}, {700, 0, false, A::kNone}}}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

}  // namespace
