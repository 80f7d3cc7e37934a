#include "schedule/clock_layout.h"

namespace schedule {

ClockLayout::ClockLayout(const ClockMetrics& metrics) : metrics_(metrics) {
  const int innerWidth = metrics.clientWidth - 2 * metrics.frameWidth;
  const int innerHeight = metrics.clientHeight - 2 * metrics.frameWidth;
  const int rowWidth = static_cast<int>(metrics.cellCount) * metrics.cellWidth + metrics.designatorWidth;
  left_ = metrics.frameWidth + (innerWidth - rowWidth) / 2;
  top_ = metrics.frameWidth + (innerHeight - metrics.textHeight) / 2;
}

CellBox ClockLayout::Cell(std::size_t index) const {
  const int left = left_ + static_cast<int>(index) * metrics_.cellWidth;
  return CellBox{left, top_, left + metrics_.cellWidth, top_ + metrics_.textHeight};
}

CellBox ClockLayout::Designator() const {
  const int left = left_ + static_cast<int>(metrics_.cellCount) * metrics_.cellWidth;
  return CellBox{left, top_, left + metrics_.designatorWidth, top_ + metrics_.textHeight};
}

std::size_t MinuteCellIndex(std::size_t cellCount, bool showSeconds) {
  // cellCount = hour digits + ":mm" (+ ":ss")
  const std::size_t hourDigits = cellCount - (showSeconds ? 6 : 3);
  return hourDigits + 1;
}

std::size_t SecondCellIndex(std::size_t cellCount) { return cellCount - 2; }

}  // namespace schedule
