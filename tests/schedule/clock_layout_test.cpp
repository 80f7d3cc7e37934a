#include "schedule/clock_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using schedule::CellBox;
using schedule::ClockLayout;
using schedule::ClockMetrics;

TEST(ClockLayout, MainWindowClockCentresFiveCellsInsideTheBevels) {
  // 95 x 19, two 1-pixel bevels, bold 8-point digits 7 wide and 13 high.
  const ClockLayout layout(ClockMetrics{95, 19, 2, 7, 13, 5, 0});
  // Inner area 91 x 15; the row is 35 wide: (91 - 35) / 2 = 28 from the inner left edge.
  EXPECT_EQ(layout.Cell(0), (CellBox{30, 3, 37, 16}));
  EXPECT_EQ(layout.Cell(4), (CellBox{58, 3, 65, 16}));
  EXPECT_EQ(layout.Designator(), (CellBox{65, 3, 65, 16}));
}

TEST(ClockLayout, DesignatorIsCentredTogetherWithTheCells) {
  // "1:05:09 PM" without leading zero: 7 cells of 6, designator " PM" 20 wide; row 62 in 116.
  const ClockLayout layout(ClockMetrics{120, 24, 2, 6, 13, 7, 20});
  EXPECT_EQ(layout.Cell(0), (CellBox{29, 5, 35, 18}));
  EXPECT_EQ(layout.Designator(), (CellBox{71, 5, 91, 18}));
}

TEST(ClockLayout, RowWiderThanTheControlStaysCentred) {
  const ClockLayout layout(ClockMetrics{40, 19, 2, 9, 13, 8, 0});
  // Row 72 in 36: starts 18 left of the inner area, overflowing both sides alike.
  EXPECT_EQ(layout.Cell(0).left, 2 - 18);
  EXPECT_EQ(layout.Cell(7).right, 2 - 18 + 72);
}

struct IndexCase {
  const char* name;
  std::size_t cells;
  bool showSeconds;
  std::size_t minute;
  std::size_t second;
};

class ClockCells : public ::testing::TestWithParam<IndexCase> {};

TEST_P(ClockCells, MinuteAndSecondCellsFollowTheHourDigits) {
  const auto& c = GetParam();
  EXPECT_EQ(schedule::MinuteCellIndex(c.cells, c.showSeconds), c.minute);
  if (c.showSeconds) {
    EXPECT_EQ(schedule::SecondCellIndex(c.cells), c.second);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ClockCells,
                         ::testing::Values(IndexCase{"HhMm", 5, false, 3, 0}, IndexCase{"HMm", 4, false, 2, 0},
                                           IndexCase{"HhMmSs", 8, true, 3, 6}, IndexCase{"HMmSs", 7, true, 2, 5}),
                         [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

}  // namespace
