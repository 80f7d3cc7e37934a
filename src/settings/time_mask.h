#pragma once
// The text of the time field with the edit mask "00:00;1;_": two digit places, a fixed colon, two
// digit places. Only digits go into the places; an empty place shows "_" and reads back as a space.
// Typing overwrites the place at the caret and moves on; the caret never rests just before the
// colon, it steps over it. Positions count characters, 0 to 5 (5 = after the last place).
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace settings {

class TimeMaskText {
 public:
  static constexpr std::size_t kLength = 5;
  static constexpr std::size_t kColon = 2;
  static constexpr char kBlankShown = '_';

  TimeMaskText();  // the blank template

  // The field's text: the colon, and a space for every empty place ("08: 5").
  [[nodiscard]] std::string Text() const;
  // What the field shows: "_" for every empty place ("08:_5").
  [[nodiscard]] std::string Shown() const;
  // Digits go to the places they stand at; anything else, and a missing character, leaves the place
  // empty. An empty text gives the blank template. Caret to the start, nothing selected.
  void SetText(std::string_view text);

  [[nodiscard]] std::size_t Caret() const { return caret_; }
  [[nodiscard]] std::size_t SelectionStart() const;
  [[nodiscard]] std::size_t SelectionEnd() const;
  [[nodiscard]] bool HasSelection() const { return anchor_ != caret_; }
  [[nodiscard]] std::string SelectedText() const;
  // Selects from `anchor` to `caret` (clamped; the caret is moved off the place before the colon).
  void Select(std::size_t anchor, std::size_t caret);
  void SelectAll() { Select(0, kLength); }

  // A typed character. Digits clear the selection, overwrite the place at the caret and move past it;
  // anything else, or a digit with the caret at the end, is refused (false) and changes nothing.
  bool Type(char c);
  // Clears the selection; without one, the place before the caret (over the colon).
  void Backspace();
  // Clears the selection; without one, the place at the caret (over the colon). The caret stays.
  void Delete();
  // Fills places from the caret (the selection cleared first), stepping over the colon; a colon in the
  // text may stand where the colon is. Surrounding blanks and line ends are ignored, characters beyond
  // the last place are dropped. Any other character refuses the whole paste (false), nothing changes.
  bool Paste(std::string_view text);
  // The selection's text, then cleared (nothing without a selection).
  std::string Cut();

  // Caret moves; `extend` keeps the anchor (Shift held). Without `extend` a selection collapses to
  // the side the move goes to.
  void MoveLeft(bool extend);
  void MoveRight(bool extend);
  void MoveHome(bool extend);
  void MoveEnd(bool extend);

 private:
  void ClearRange(std::size_t from, std::size_t to);
  void ClearSelection();
  void PlaceCaret(std::size_t caret, bool extend);
  static bool IsDigitPlace(std::size_t position) { return position < kLength && position != kColon; }

  std::array<char, kLength> places_{};
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
};

// A time the schedule and the alarm clock accept: "HH:MM" with both parts complete, hour 00 to 23,
// minute 00 to 59.
bool IsValidTime(std::string_view text);

}  // namespace settings
