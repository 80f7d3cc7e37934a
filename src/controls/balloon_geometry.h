#pragma once
// Size, placement and shape of the balloon-shaped hint window. Window-free: the hint window measures
// its text, asks these functions where and how to appear, and only draws.
#include <vector>

namespace controls {

// Where the balloon sits relative to the point its tail aims at (its tail is at the opposite corner).
enum class THintCorner {
  hcLowerRight = 0,
  hcLowerLeft = 1,
  hcUpperLeft = 2,
  hcUpperRight = 3,
  hcNone = 4,
};

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Right and bottom are exclusive, as in the window system.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  [[nodiscard]] int Width() const { return right - left; }
  [[nodiscard]] int Height() const { return bottom - top; }
  [[nodiscard]] bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr int kBalloonTail = 20;          // height and width of the tail
inline constexpr int kBalloonMinWidth = 55;
inline constexpr int kBalloonTailOffset = 10;    // from the window's side edge to the tail's tip
inline constexpr Point kBalloonTextIndent{8, 4};  // text start inside the text area

[[nodiscard]] bool HasTail(THintCorner corner, bool showBalloon);
// The tail is at the bottom for the upper corners (the balloon stands above the point), else at the top.
[[nodiscard]] bool TailAtBottom(THintCorner corner);

// The window size for text of the given size, as measured word-wrapped within the caption width:
// the hint's text rectangle (the text plus 6 pixels right and 2 below) grown by 4 pixels each side
// (2 without a balloon or corner), plus the tail, and at least 55 pixels wide.
[[nodiscard]] Size BalloonWindowSize(Size text, THintCorner corner, bool showBalloon);

// The point the tail aims at: the control's centre when the control is no larger than
// centerThreshold both ways, else the mouse.
[[nodiscard]] Point TailTarget(const Rect& control, Point mouse, int centerThreshold);

struct BalloonPlacement {
  Rect window;         // screen coordinates
  THintCorner corner;  // after flips at the work area's edges
  friend bool operator==(const BalloonPlacement&, const BalloonPlacement&) = default;
};

// Places the window at the preferred corner of target and flips it at the edges of the work area.
[[nodiscard]] BalloonPlacement PlaceBalloon(Size window, Point target, THintCorner corner, const Rect& workArea);

// The outline of the window's shape in window coordinates: the body with its corners cut in steps
// of 4, 2 and 1 pixels and, with a tail, the tail joined into the same outline. Clockwise from the
// top edge; vertices lie on the exclusive right and bottom edges.
[[nodiscard]] std::vector<Point> BalloonOutline(Size window, THintCorner corner, bool showBalloon);

// Where the text goes in window coordinates (the text area is the window less the tail).
[[nodiscard]] Rect BalloonTextRect(Size text, THintCorner corner, bool showBalloon);

}  // namespace controls
