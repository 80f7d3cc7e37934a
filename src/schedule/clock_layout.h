#pragma once
// Where the digital clock draws each character: every time digit and separator in a cell as wide
// as the digit "8", the row of cells and the AM/PM designator centred together in the client area
// less the frame. Window-free; the control measures its font and draws into these rectangles.
#include <cstddef>

namespace schedule {

struct ClockMetrics {
  int clientWidth = 0;
  int clientHeight = 0;
  int frameWidth = 0;       // border width plus the width of each bevel present, on every side
  int cellWidth = 0;        // width of "8" in the control's font
  int textHeight = 0;
  std::size_t cellCount = 0;
  int designatorWidth = 0;  // width of the text after the cells (" AM"), 0 without
};

struct CellBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const CellBox&, const CellBox&) = default;
};

class ClockLayout {
 public:
  explicit ClockLayout(const ClockMetrics& metrics);
  [[nodiscard]] CellBox Cell(std::size_t index) const;
  [[nodiscard]] CellBox Designator() const;

 private:
  ClockMetrics metrics_;
  int left_ = 0;
  int top_ = 0;
};

// The first of the two minute cells and of the two second cells in a row of cellCount cells
// (hour digits, separator, minutes, then separator and seconds when shown).
[[nodiscard]] std::size_t MinuteCellIndex(std::size_t cellCount, bool showSeconds);
[[nodiscard]] std::size_t SecondCellIndex(std::size_t cellCount);

}  // namespace schedule
