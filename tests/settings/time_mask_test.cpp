#include "settings/time_mask.h"

#include <gtest/gtest.h>

namespace {

using settings::TimeMaskText;

TimeMaskText With(const char* text, std::size_t anchor, std::size_t caret) {
  TimeMaskText field;
  field.SetText(text);
  field.Select(anchor, caret);
  return field;
}

TEST(TimeMaskText, EmptyAndPartialTextsReadBackWithSpacesAndShowUnderscores) {
  TimeMaskText field;
  EXPECT_EQ(field.Text(), "  :  ");
  EXPECT_EQ(field.Shown(), "__:__");
  field.SetText("08:30");
  EXPECT_EQ(field.Text(), "08:30");
  field.SetText("8:3");  // positional: '8' at the first place, ':' is no digit, '3' on the colon
  EXPECT_EQ(field.Text(), "8 :  ");
  field.SetText("ab:1x");
  EXPECT_EQ(field.Shown(), "__:1_");
  field.SetText("");
  EXPECT_EQ(field.Shown(), "__:__") << "setting the text empty shows the blank template";
  field.SetText("123456789");
  EXPECT_EQ(field.Text(), "12:45");
}

TEST(TimeMaskText, TypingOverwritesAndStepsOverTheColon) {
  TimeMaskText field;
  field.SetText("00:00");
  for (char c : std::string("2030")) {
    EXPECT_TRUE(field.Type(c));
  }
  EXPECT_EQ(field.Text(), "20:30");
  EXPECT_EQ(field.Caret(), 5u);
  EXPECT_FALSE(field.Type('1')) << "no place left at the end";
  EXPECT_EQ(field.Text(), "20:30");

  field.SetText("");
  field.Type('0');
  field.Type('8');
  EXPECT_EQ(field.Caret(), 3u) << "the caret never rests before the colon";
  field.Type('1');
  EXPECT_EQ(field.Text(), "08:1 ");
}

TEST(TimeMaskText, OnlyDigitsCanBeTyped) {
  TimeMaskText field;
  field.SetText("12:34");
  for (char c : std::string(":a -\t\x80/")) {
    EXPECT_FALSE(field.Type(c)) << int(c);
  }
  EXPECT_EQ(field.Text(), "12:34");
  EXPECT_EQ(field.Caret(), 0u);
}

TEST(TimeMaskText, TypingReplacesTheSelection) {
  TimeMaskText field = With("12:34", 1, 4);  // "2:3" selected
  EXPECT_TRUE(field.Type('9'));
  EXPECT_EQ(field.Text(), "19: 4");
  EXPECT_EQ(field.Caret(), 3u);
}

TEST(TimeMaskText, BackspaceClearsThePlaceBeforeTheCaretOverTheColon) {
  TimeMaskText field = With("12:34", 5, 5);
  field.Backspace();
  EXPECT_EQ(field.Text(), "12:3 ");
  field.Backspace();
  EXPECT_EQ(field.Text(), "12:  ");
  EXPECT_EQ(field.Caret(), 3u);
  field.Backspace();
  EXPECT_EQ(field.Text(), "1 :  ") << "steps over the colon";
  EXPECT_EQ(field.Caret(), 1u);
  field.Backspace();
  field.Backspace();  // at the start: nothing more
  EXPECT_EQ(field.Text(), "  :  ");
  EXPECT_EQ(field.Caret(), 0u);
}

TEST(TimeMaskText, DeleteClearsThePlaceAtTheCaretAndKeepsTheCaret) {
  TimeMaskText field = With("12:34", 0, 0);
  field.Delete();
  EXPECT_EQ(field.Text(), " 2:34");
  EXPECT_EQ(field.Caret(), 0u);
  field.Select(5, 5);
  field.Delete();  // at the end: nothing
  EXPECT_EQ(field.Text(), " 2:34");
  field = With("12:34", 0, 5);
  field.Delete();
  EXPECT_EQ(field.Text(), "  :  ") << "a selection is cleared, the colon stays";
  EXPECT_EQ(field.Caret(), 0u);
}

TEST(TimeMaskText, BackspaceWithASelectionClearsOnlyIt) {
  TimeMaskText field = With("12:34", 5, 3);
  field.Backspace();
  EXPECT_EQ(field.Text(), "12:  ");
  EXPECT_EQ(field.Caret(), 3u);
}

TEST(TimeMaskText, CaretMovesSkipThePlaceBeforeTheColon) {
  TimeMaskText field = With("12:34", 0, 0);
  field.MoveRight(false);
  EXPECT_EQ(field.Caret(), 1u);
  field.MoveRight(false);
  EXPECT_EQ(field.Caret(), 3u);
  field.MoveLeft(false);
  EXPECT_EQ(field.Caret(), 1u);
  field.MoveEnd(false);
  EXPECT_EQ(field.Caret(), 5u);
  field.MoveRight(false);
  EXPECT_EQ(field.Caret(), 5u);
  field.MoveHome(false);
  field.MoveLeft(false);
  EXPECT_EQ(field.Caret(), 0u);
}

TEST(TimeMaskText, ShiftMovesExtendAndPlainMovesCollapseTheSelection) {
  TimeMaskText field = With("12:34", 1, 1);
  field.MoveRight(true);
  field.MoveRight(true);
  EXPECT_EQ(field.SelectedText(), "2:3");
  field.MoveLeft(false);
  EXPECT_FALSE(field.HasSelection());
  EXPECT_EQ(field.Caret(), 1u);
  field.MoveEnd(true);
  EXPECT_EQ(field.SelectedText(), "2:34");
  field.MoveRight(false);
  EXPECT_EQ(field.Caret(), 5u);
  EXPECT_FALSE(field.HasSelection());
}

TEST(TimeMaskText, PasteFillsPlacesFromTheCaret) {
  struct Case {
    const char* start;
    std::size_t anchor, caret;
    const char* pasted;
    bool accepted;
    const char* text;
    std::size_t caretAfter;
  };
  const Case cases[] = {
      {"", 0, 0, "08:30", true, "08:30", 5},
      {"", 0, 0, "0830", true, "08:30", 5},
      {"", 0, 0, " 20:15\r\n", true, "20:15", 5},   // copied with a line end
      {"12:34", 3, 3, "59", true, "12:59", 5},
      {"12:34", 1, 1, "7:5", true, "17:54", 4},       // the colon lands on the colon
      {"12:34", 1, 1, "75", true, "17:54", 4},
      {"12:34", 0, 0, "123456", true, "12:34", 5},    // beyond the last place dropped
      {"12:34", 0, 5, "9", true, "9 :  ", 1},         // the selection cleared first
      {"12:34", 0, 0, "8h30", false, "12:34", 0},     // letters refuse the whole paste
      {"12:34", 0, 0, "08.30", false, "12:34", 0},
      {"12:34", 0, 0, "0:830", false, "12:34", 0},    // a colon where a digit goes
      {"12:34", 0, 5, "x", false, "12:34", 5},        // a refused paste keeps the selection
      {"12:34", 3, 3, "", true, "12:34", 3},
  };
  for (const Case& c : cases) {
    TimeMaskText field = With(c.start, c.anchor, c.caret);
    EXPECT_EQ(field.Paste(c.pasted), c.accepted) << c.pasted;
    EXPECT_EQ(field.Text(), c.text) << c.pasted;
    EXPECT_EQ(field.Caret(), c.caretAfter) << c.pasted;
  }
}

TEST(TimeMaskText, CutGivesTheSelectionAndClearsIt) {
  TimeMaskText field = With("12:34", 0, 4);
  EXPECT_EQ(field.Cut(), "12:3");
  EXPECT_EQ(field.Text(), "  : 4");
  EXPECT_EQ(field.Cut(), "") << "nothing without a selection";
  EXPECT_EQ(field.Text(), "  : 4");
}

TEST(TimeMaskText, SelectionIsClamped) {
  TimeMaskText field = With("12:34", 9, 2);
  EXPECT_EQ(field.SelectionStart(), 1u) << "the caret moving left steps off the colon to the left";
  EXPECT_EQ(field.SelectionEnd(), 5u);
  field.SelectAll();
  EXPECT_EQ(field.SelectedText(), "12:34");
}

TEST(ValidTime, CompleteTimesOfTheDayOnly) {
  for (const char* good : {"00:00", "08:30", "23:59", "19:05"}) {
    EXPECT_TRUE(settings::IsValidTime(good)) << good;
  }
  for (const char* bad : {"24:00", "25:00", "12:60", "99:99", " 8:00", "08: 0", "  :  ", "0830 ", "8:30", "08:300",
                          "08-30", "", "ab:cd"}) {
    EXPECT_FALSE(settings::IsValidTime(bad)) << bad;
  }
}

}  // namespace
