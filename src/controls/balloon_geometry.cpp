#include "controls/balloon_geometry.h"

#include <algorithm>

namespace controls {
namespace {

// The plain hint window's text rectangle is the text plus 6 pixels to the right and 2 below; the
// balloon grows that rectangle. Growing the bare text instead would let the 8-pixel indent push the
// text's last letters under the right edge.
constexpr Size kHintTextPadding{6, 2};
constexpr int kBalloonMargin = 4;  // around the text rectangle, each side
constexpr int kPlainMargin = 2;    // without a balloon shape

bool IsUpper(THintCorner corner) { return corner == THintCorner::hcUpperLeft || corner == THintCorner::hcUpperRight; }

bool IsRight(THintCorner corner) { return corner == THintCorner::hcUpperRight || corner == THintCorner::hcLowerRight; }

bool IsLeft(THintCorner corner) { return corner == THintCorner::hcUpperLeft || corner == THintCorner::hcLowerLeft; }

THintCorner Opposite(THintCorner corner) {
  switch (corner) {
    case THintCorner::hcLowerRight:
      return THintCorner::hcUpperRight;
    case THintCorner::hcLowerLeft:
      return THintCorner::hcUpperLeft;
    case THintCorner::hcUpperLeft:
      return THintCorner::hcLowerLeft;
    case THintCorner::hcUpperRight:
      return THintCorner::hcLowerRight;
    case THintCorner::hcNone:
      break;
  }
  return corner;
}

THintCorner Mirrored(THintCorner corner) {
  switch (corner) {
    case THintCorner::hcLowerRight:
      return THintCorner::hcLowerLeft;
    case THintCorner::hcLowerLeft:
      return THintCorner::hcLowerRight;
    case THintCorner::hcUpperLeft:
      return THintCorner::hcUpperRight;
    case THintCorner::hcUpperRight:
      return THintCorner::hcUpperLeft;
    case THintCorner::hcNone:
      break;
  }
  return corner;
}

Rect WithLeft(const Rect& r, int left) { return Rect{left, r.top, left + r.Width(), r.bottom}; }
Rect WithRight(const Rect& r, int right) { return Rect{right - r.Width(), r.top, right, r.bottom}; }
Rect WithTop(const Rect& r, int top) { return Rect{r.left, top, r.right, top + r.Height()}; }
Rect WithBottom(const Rect& r, int bottom) { return Rect{r.left, bottom - r.Height(), r.right, bottom}; }

// The x of the tail's straight side: the target's column in window coordinates. For a balloon left
// of the target the side is the column's right edge, so that the target column belongs to the tail.
int TailSideX(int windowWidth, THintCorner corner) {
  return IsLeft(corner) ? windowWidth - kBalloonTailOffset + 1 : kBalloonTailOffset;
}

}  // namespace

bool HasTail(THintCorner corner, bool showBalloon) { return showBalloon && corner != THintCorner::hcNone; }

bool TailAtBottom(THintCorner corner) { return IsUpper(corner); }

Size BalloonWindowSize(Size text, THintCorner corner, bool showBalloon) {
  const int margin = HasTail(corner, showBalloon) ? kBalloonMargin : kPlainMargin;
  const int tail = HasTail(corner, showBalloon) ? kBalloonTail : 0;
  const Size textRect{text.width + kHintTextPadding.width, text.height + kHintTextPadding.height};
  return Size{std::max(textRect.width + 2 * margin, kBalloonMinWidth), textRect.height + 2 * margin + tail};
}

Point TailTarget(const Rect& control, Point mouse, int centerThreshold) {
  if (control.Width() <= centerThreshold && control.Height() <= centerThreshold) {
    return Point{control.left + control.Width() / 2, control.top + control.Height() / 2};
  }
  return mouse;
}

BalloonPlacement PlaceBalloon(Size window, Point target, THintCorner corner, const Rect& workArea) {
  const Rect sized{0, 0, window.width, window.height};
  Rect r = IsLeft(corner) ? WithRight(sized, target.x + kBalloonTailOffset)
                          : WithLeft(sized, target.x - kBalloonTailOffset);
  r = IsUpper(corner) ? WithBottom(r, target.y) : WithTop(r, target.y);

  if (r.top < workArea.top) {
    if (IsUpper(corner)) {
      corner = Opposite(corner);
    }
    r = WithTop(r, target.y);
  } else if (r.bottom > workArea.bottom) {
    if (!IsUpper(corner)) {
      corner = Opposite(corner);
    }
    r = WithBottom(r, target.y);
  }
  if (r.right > workArea.right) {
    if (IsRight(corner)) {
      corner = Mirrored(corner);
    }
    r = WithRight(r, target.x - 1);
  } else if (r.left < workArea.left) {
    if (IsLeft(corner)) {
      corner = Mirrored(corner);
    }
    r = WithLeft(r, target.x + 1);
  }
  return BalloonPlacement{r, corner};
}

std::vector<Point> BalloonOutline(Size window, THintCorner corner, bool showBalloon) {
  const int l = 0;
  const int r = window.width;
  if (!showBalloon) {
    return {{l, 0}, {r, 0}, {r, window.height}, {l, window.height}};
  }
  const bool tail = HasTail(corner, showBalloon);
  const bool tailAtTop = tail && !TailAtBottom(corner);
  const bool tailAtBottom = tail && TailAtBottom(corner);
  const int t = tailAtTop ? kBalloonTail : 0;
  const int b = tailAtBottom ? window.height - kBalloonTail : window.height;
  const int side = TailSideX(window.width, corner);
  const bool tailRightOfSide = IsRight(corner);

  std::vector<Point> outline;
  outline.reserve(40);  // every point below; also keeps GCC 12's -Warray-bounds false alarm away
  // Top edge, left to right, with the tail rising from it.
  outline.push_back({l + 4, t});
  if (tailAtTop) {
    if (tailRightOfSide) {
      outline.insert(outline.end(), {{side, t}, {side, 0}, {side + kBalloonTail, t}});
    } else {
      outline.insert(outline.end(), {{side - kBalloonTail, t}, {side, 0}, {side, t}});
    }
  }
  // Each corner is a staircase: the outermost row or column loses 4 pixels, the next 2, the next 1.
  outline.insert(outline.end(), {{r - 4, t}, {r - 4, t + 1}, {r - 2, t + 1}, {r - 2, t + 2}, {r - 1, t + 2},
                                 {r - 1, t + 4}, {r, t + 4}});
  outline.insert(outline.end(), {{r, b - 4}, {r - 1, b - 4}, {r - 1, b - 2}, {r - 2, b - 2}, {r - 2, b - 1},
                                 {r - 4, b - 1}, {r - 4, b}});
  // Bottom edge, right to left, with the tail hanging from it.
  if (tailAtBottom) {
    if (tailRightOfSide) {
      outline.insert(outline.end(), {{side + kBalloonTail, b}, {side, window.height}, {side, b}});
    } else {
      outline.insert(outline.end(), {{side, b}, {side, window.height}, {side - kBalloonTail, b}});
    }
  }
  outline.insert(outline.end(), {{l + 4, b}, {l + 4, b - 1}, {l + 2, b - 1}, {l + 2, b - 2}, {l + 1, b - 2},
                                 {l + 1, b - 4}, {l, b - 4}});
  outline.insert(outline.end(), {{l, t + 4}, {l + 1, t + 4}, {l + 1, t + 2}, {l + 2, t + 2}, {l + 2, t + 1},
                                 {l + 4, t + 1}});
  return outline;
}

Rect BalloonTextRect(Size text, THintCorner corner, bool showBalloon) {
  const bool tailAtTop = HasTail(corner, showBalloon) && !TailAtBottom(corner);
  const int top = (tailAtTop ? kBalloonTail : 0) + kBalloonTextIndent.y;
  return Rect{kBalloonTextIndent.x, top, kBalloonTextIndent.x + text.width, top + text.height};
}

}  // namespace controls
