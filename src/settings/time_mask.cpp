#include "settings/time_mask.h"

#include <algorithm>

namespace settings {
namespace {

constexpr char kEmpty = ' ';

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The caret never rests before the colon: typing there would go to the place after it anyway.
std::size_t OffTheColon(std::size_t caret, bool movingLeft) {
  if (caret != TimeMaskText::kColon) {
    return caret;
  }
  return movingLeft ? caret - 1 : caret + 1;
}

}  // namespace

TimeMaskText::TimeMaskText() { SetText(""); }

std::string TimeMaskText::Text() const { return std::string(places_.begin(), places_.end()); }

std::string TimeMaskText::Shown() const {
  std::string shown = Text();
  for (std::size_t i = 0; i < kLength; ++i) {
    if (IsDigitPlace(i) && shown[i] == kEmpty) {
      shown[i] = kBlankShown;
    }
  }
  return shown;
}

void TimeMaskText::SetText(std::string_view text) {
  for (std::size_t i = 0; i < kLength; ++i) {
    places_[i] = kEmpty;
    if (i == kColon) {
      places_[i] = ':';
    } else if (i < text.size() && IsDigit(text[i])) {
      places_[i] = text[i];
    }
  }
  caret_ = 0;
  anchor_ = 0;
}

std::size_t TimeMaskText::SelectionStart() const { return std::min(anchor_, caret_); }

std::size_t TimeMaskText::SelectionEnd() const { return std::max(anchor_, caret_); }

std::string TimeMaskText::SelectedText() const {
  return Text().substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

void TimeMaskText::Select(std::size_t anchor, std::size_t caret) {
  anchor_ = std::min(anchor, kLength);
  caret_ = OffTheColon(std::min(caret, kLength), caret < anchor_);
}

bool TimeMaskText::Type(char c) {
  if (!IsDigit(c)) {
    return false;
  }
  const std::size_t start = OffTheColon(SelectionStart(), false);
  if (start >= kLength) {
    return false;
  }
  ClearSelection();
  places_[start] = c;
  PlaceCaret(OffTheColon(start + 1, false), false);
  return true;
}

void TimeMaskText::Backspace() {
  if (HasSelection()) {
    ClearSelection();
    return;
  }
  if (caret_ == 0) {
    return;
  }
  std::size_t place = caret_ - 1;
  if (place == kColon) {
    --place;
  }
  places_[place] = kEmpty;
  PlaceCaret(place, false);
}

void TimeMaskText::Delete() {
  if (HasSelection()) {
    ClearSelection();
    return;
  }
  const std::size_t place = OffTheColon(caret_, false);
  if (place < kLength) {
    places_[place] = kEmpty;
  }
}

bool TimeMaskText::Paste(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = text.find_first_not_of(kBlanks);
  text = first == std::string_view::npos ? std::string_view() : text.substr(first, text.find_last_not_of(kBlanks) - first + 1);

  TimeMaskText result = *this;
  result.ClearSelection();
  std::size_t position = result.caret_;
  for (char c : text) {
    if (position >= kLength) {
      break;
    }
    if (position == kColon) {
      ++position;
      if (c == ':') {
        continue;
      }
    }
    if (!IsDigit(c)) {
      return false;
    }
    result.places_[position++] = c;
  }
  result.PlaceCaret(OffTheColon(position, false), false);
  *this = result;
  return true;
}

std::string TimeMaskText::Cut() {
  std::string cut = SelectedText();
  ClearSelection();
  return cut;
}

void TimeMaskText::MoveLeft(bool extend) {
  if (!extend && HasSelection()) {
    PlaceCaret(OffTheColon(SelectionStart(), true), false);
    return;
  }
  PlaceCaret(caret_ == 0 ? 0 : OffTheColon(caret_ - 1, true), extend);
}

void TimeMaskText::MoveRight(bool extend) {
  if (!extend && HasSelection()) {
    PlaceCaret(OffTheColon(SelectionEnd(), false), false);
    return;
  }
  PlaceCaret(caret_ >= kLength ? kLength : OffTheColon(caret_ + 1, false), extend);
}

void TimeMaskText::MoveHome(bool extend) { PlaceCaret(0, extend); }

void TimeMaskText::MoveEnd(bool extend) { PlaceCaret(kLength, extend); }

void TimeMaskText::ClearRange(std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to && i < kLength; ++i) {
    if (IsDigitPlace(i)) {
      places_[i] = kEmpty;
    }
  }
}

void TimeMaskText::ClearSelection() {
  const std::size_t start = SelectionStart();
  ClearRange(start, SelectionEnd());
  PlaceCaret(OffTheColon(start, false), false);
}

void TimeMaskText::PlaceCaret(std::size_t caret, bool extend) {
  caret_ = caret;
  if (!extend) {
    anchor_ = caret;
  }
}

bool IsValidTime(std::string_view text) {
  if (text.size() != TimeMaskText::kLength || text[TimeMaskText::kColon] != ':') {
    return false;
  }
  for (std::size_t i : {0u, 1u, 3u, 4u}) {
    if (!IsDigit(text[i])) {
      return false;
    }
  }
  const int hour = (text[0] - '0') * 10 + (text[1] - '0');
  const int minute = (text[3] - '0') * 10 + (text[4] - '0');
  return hour <= 23 && minute <= 59;
}

}  // namespace settings
