#include "controls/balloon_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using controls::BalloonOutline;
using controls::BalloonPlacement;
using controls::BalloonTextRect;
using controls::BalloonWindowSize;
using controls::PlaceBalloon;
using controls::Point;
using controls::Rect;
using controls::Size;
using controls::TailTarget;
using C = controls::THintCorner;

struct SizeCase {
  const char* name;
  Size text;
  C corner;
  bool showBalloon;
  Size expected;
};

class BalloonSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(BalloonSize, GrowsAroundTheTextAndKeepsTheMinimumWidth) {
  EXPECT_EQ(BalloonWindowSize(GetParam().text, GetParam().corner, GetParam().showBalloon), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BalloonSize,
    ::testing::Values(
        // The text rectangle is the text + 6 wide and + 2 high; "Refresh" in Tahoma 8 stays far below 55.
        SizeCase{"OneWordIsAtLeast55Wide", {38, 13}, C::hcUpperRight, true, {55, 13 + 2 + 8 + 20}},
        SizeCase{"AtMinimum", {41, 13}, C::hcLowerLeft, true, {55, 43}},
        SizeCase{"JustAboveMinimum", {42, 13}, C::hcLowerLeft, true, {56, 43}},
        SizeCase{"WrappedText", {97, 26}, C::hcUpperLeft, true, {111, 26 + 2 + 8 + 20}},
        SizeCase{"NoCornerHasNoTailAndNarrowMargin", {97, 13}, C::hcNone, true, {107, 19}},
        SizeCase{"NoBalloonHasNoTailAndNarrowMargin", {97, 13}, C::hcUpperRight, false, {107, 19}}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(BalloonTailTarget, MouseUnlessTheControlFitsTheThresholdBothWays) {
  const Rect control{100, 200, 120, 220};  // 20 x 20
  const Point mouse{103, 217};
  EXPECT_EQ(TailTarget(control, mouse, 0), mouse) << "the main window's threshold 0 always aims at the mouse";
  EXPECT_EQ(TailTarget(control, mouse, 19), mouse);
  EXPECT_EQ(TailTarget(control, mouse, 20), (Point{110, 210}));
  EXPECT_EQ(TailTarget(Rect{100, 200, 180, 210}, mouse, 20), mouse) << "wide but low is not small";
}

struct PlaceCase {
  const char* name;
  Point target;
  C corner;
  BalloonPlacement expected;
};

class BalloonPlace : public ::testing::TestWithParam<PlaceCase> {};

// A 60 x 41 balloon on a 1024 x 738 work area (a task bar of 30 at the bottom).
TEST_P(BalloonPlace, CornerAndFlipsAtTheWorkAreaEdges) {
  const Rect work{0, 0, 1024, 738};
  EXPECT_EQ(PlaceBalloon(Size{60, 41}, GetParam().target, GetParam().corner, work), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BalloonPlace,
    ::testing::Values(
        // Each corner in open space.
        PlaceCase{"UpperRight", {500, 400}, C::hcUpperRight, {{490, 359, 550, 400}, C::hcUpperRight}},
        PlaceCase{"UpperLeft", {500, 400}, C::hcUpperLeft, {{450, 359, 510, 400}, C::hcUpperLeft}},
        PlaceCase{"LowerRight", {500, 400}, C::hcLowerRight, {{490, 400, 550, 441}, C::hcLowerRight}},
        PlaceCase{"LowerLeft", {500, 400}, C::hcLowerLeft, {{450, 400, 510, 441}, C::hcLowerLeft}},
        PlaceCase{"None", {500, 400}, C::hcNone, {{490, 400, 550, 441}, C::hcNone}},
        // Top edge: exactly fitting stays, one pixel more flips below the point.
        PlaceCase{"TopFits", {500, 41}, C::hcUpperRight, {{490, 0, 550, 41}, C::hcUpperRight}},
        PlaceCase{"TopFlipsRight", {500, 40}, C::hcUpperRight, {{490, 40, 550, 81}, C::hcLowerRight}},
        PlaceCase{"TopFlipsLeft", {500, 10}, C::hcUpperLeft, {{450, 10, 510, 51}, C::hcLowerLeft}},
        // Bottom edge of the work area, not of the screen.
        PlaceCase{"BottomFits", {500, 697}, C::hcLowerRight, {{490, 697, 550, 738}, C::hcLowerRight}},
        PlaceCase{"BottomFlipsRight", {500, 698}, C::hcLowerRight, {{490, 657, 550, 698}, C::hcUpperRight}},
        PlaceCase{"BottomFlipsLeft", {500, 730}, C::hcLowerLeft, {{450, 689, 510, 730}, C::hcUpperLeft}},
        // Right edge: the window ends 1 pixel left of the point.
        PlaceCase{"RightFits", {974, 400}, C::hcUpperRight, {{964, 359, 1024, 400}, C::hcUpperRight}},
        PlaceCase{"RightFlipsUpper", {975, 400}, C::hcUpperRight, {{914, 359, 974, 400}, C::hcUpperLeft}},
        PlaceCase{"RightFlipsLower", {1000, 400}, C::hcLowerRight, {{939, 400, 999, 441}, C::hcLowerLeft}},
        // Left edge: the window starts 1 pixel right of the point.
        PlaceCase{"LeftFits", {50, 400}, C::hcUpperLeft, {{0, 359, 60, 400}, C::hcUpperLeft}},
        PlaceCase{"LeftFlipsUpper", {49, 400}, C::hcUpperLeft, {{50, 359, 110, 400}, C::hcUpperRight}},
        PlaceCase{"LeftFlipsLower", {5, 400}, C::hcLowerLeft, {{6, 400, 66, 441}, C::hcLowerRight}},
        // Both edges at once.
        PlaceCase{"TopRightCorner", {1000, 20}, C::hcUpperRight, {{939, 20, 999, 61}, C::hcLowerLeft}},
        PlaceCase{"NoneAtRight", {1000, 400}, C::hcNone, {{939, 400, 999, 441}, C::hcNone}}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(BalloonPlace, WorkAreaNotAtTheOrigin) {
  // A task bar at the top of the monitor, or a second monitor to the left.
  EXPECT_EQ(PlaceBalloon(Size{60, 41}, Point{500, 60}, C::hcUpperRight, Rect{0, 30, 1024, 768}),
            (BalloonPlacement{{490, 60, 550, 101}, C::hcLowerRight}));
  EXPECT_EQ(PlaceBalloon(Size{60, 41}, Point{-1300, 400}, C::hcUpperLeft, Rect{-1280, 0, 0, 1024}),
            (BalloonPlacement{{-1299, 359, -1239, 400}, C::hcUpperRight}));
}

// Twice the signed area (shoelace); positive for a clockwise outline with y growing downwards.
long long DoubleArea(const std::vector<Point>& outline) {
  long long sum = 0;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const Point& a = outline[i];
    const Point& b = outline[(i + 1) % outline.size()];
    sum += static_cast<long long>(a.x) * b.y - static_cast<long long>(b.x) * a.y;
  }
  return sum;
}

bool HasVertex(const std::vector<Point>& outline, Point p) {
  return std::find(outline.begin(), outline.end(), p) != outline.end();
}

struct ShapeCase {
  const char* name;
  C corner;
  bool showBalloon;
  Point tip;      // where the tail's tip must be; {-1,-1} for none
  int bodyTop;    // of the 60 x 50 window
  int bodyBottom;
};

class BalloonShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(BalloonShape, BodyWithCutCornersAndTailInOneOutline) {
  const Size window{60, 50};
  const auto& c = GetParam();
  const auto outline = BalloonOutline(window, c.corner, c.showBalloon);
  for (const Point& p : outline) {
    EXPECT_TRUE(p.x >= 0 && p.x <= window.width && p.y >= 0 && p.y <= window.height) << p.x << "," << p.y;
  }
  const long long body = 2LL * window.width * (c.bodyBottom - c.bodyTop);
  if (!c.showBalloon) {
    EXPECT_EQ(DoubleArea(outline), 2LL * window.width * window.height);
    EXPECT_EQ(outline.size(), 4u);
    return;
  }
  // Each corner loses 4 + 2 + 1 + 1 pixels; the tail is a right triangle of 20 x 20.
  const long long tail = c.tip.x >= 0 ? 20 * 20 : 0;
  EXPECT_EQ(DoubleArea(outline), body - 2 * 4 * 8 + tail);
  for (const Point& cut : {Point{4, c.bodyTop}, Point{0, c.bodyTop + 4}, Point{56, c.bodyTop}, Point{60, c.bodyTop + 4},
                           Point{60, c.bodyBottom - 4}, Point{56, c.bodyBottom}, Point{4, c.bodyBottom},
                           Point{0, c.bodyBottom - 4}}) {
    EXPECT_TRUE(HasVertex(outline, cut)) << "corner cut " << cut.x << "," << cut.y;
  }
  if (c.tip.x >= 0) {
    EXPECT_TRUE(HasVertex(outline, c.tip)) << "tail tip";
  } else {
    for (const Point& p : outline) {
      EXPECT_TRUE(p.y >= c.bodyTop && p.y <= c.bodyBottom) << "no tail expected";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BalloonShape,
    ::testing::Values(
        // The tip sits on the target column: 10 from the left, or the column 10 left of the right edge
        // (whose right side is x = 60 - 10 + 1).
        ShapeCase{"UpperRight", C::hcUpperRight, true, {10, 50}, 0, 30},
        ShapeCase{"UpperLeft", C::hcUpperLeft, true, {51, 50}, 0, 30},
        ShapeCase{"LowerRight", C::hcLowerRight, true, {10, 0}, 20, 50},
        ShapeCase{"LowerLeft", C::hcLowerLeft, true, {51, 0}, 20, 50},
        ShapeCase{"None", C::hcNone, true, {-1, -1}, 0, 50},
        ShapeCase{"NoBalloon", C::hcUpperRight, false, {-1, -1}, 0, 50}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(BalloonText, IndentedInTheAreaBesideTheTail) {
  const Size text{40, 13};
  EXPECT_EQ(BalloonTextRect(text, C::hcUpperRight, true), (Rect{8, 4, 48, 17})) << "tail below the text";
  EXPECT_EQ(BalloonTextRect(text, C::hcLowerLeft, true), (Rect{8, 24, 48, 37})) << "tail above the text";
  EXPECT_EQ(BalloonTextRect(text, C::hcLowerLeft, false), (Rect{8, 4, 48, 17}));
}

}  // namespace
