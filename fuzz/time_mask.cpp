// The time field's text model under any sequence of keys, pastes and selections: the text always
// has five characters with the colon in the middle and digits or blanks in the places, the caret
// stays in the field and off the place before the colon, and each edit does what its key says.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "settings/time_mask.h"
#include "support/fuzz_check.h"

namespace {

using fuzz::Require;
using settings::TimeMaskText;

void CheckShape(const TimeMaskText& mask) {
  const std::string text = mask.Text();
  const std::string shown = mask.Shown();
  Require(text.size() == TimeMaskText::kLength && text[TimeMaskText::kColon] == ':',
          "the text has length 5 with ':' at index 2");
  Require(shown.size() == TimeMaskText::kLength && shown[TimeMaskText::kColon] == ':',
          "the shown text has length 5 with ':' at index 2");
  for (std::size_t i = 0; i < TimeMaskText::kLength; ++i) {
    if (i == TimeMaskText::kColon) {
      continue;
    }
    Require((text[i] >= '0' && text[i] <= '9') || text[i] == ' ', "a place holds a digit or a blank");
    Require(shown[i] == (text[i] == ' ' ? TimeMaskText::kBlankShown : text[i]), "an empty place shows '_'");
  }
  Require(mask.Caret() <= TimeMaskText::kLength && mask.Caret() != TimeMaskText::kColon,
          "the caret stays in the field and off the place before the colon");
  Require(mask.SelectionStart() <= mask.SelectionEnd() && mask.SelectionEnd() <= TimeMaskText::kLength,
          "the selection lies in the field");
  Require(mask.SelectedText() == text.substr(mask.SelectionStart(), mask.SelectionEnd() - mask.SelectionStart()),
          "the selected text is that part of the text");
  TimeMaskText copy;
  copy.SetText(text);
  Require(copy.Text() == text, "the text set again reads the same");
  const bool complete = text.find(' ') == std::string::npos;
  if (settings::IsValidTime(text)) {
    Require(complete && text.compare(0, 2, "24") < 0 && text.compare(3, 2, "60") < 0,
            "a valid time is complete and of the day");
  } else if (complete) {
    Require(text.compare(0, 2, "24") >= 0 || text.compare(3, 2, "60") >= 0, "a complete time of the day is valid");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  TimeMaskText mask;
  mask.SetText(input.ConsumeRandomLengthString(8));
  CheckShape(mask);
  Require(mask.Caret() == 0 && !mask.HasSelection(), "setting the text puts the caret at the start");

  while (input.remaining_bytes() > 0) {
    const std::string before = mask.Text();
    const std::size_t start = mask.SelectionStart();
    const bool selection = mask.HasSelection();
    switch (input.ConsumeIntegralInRange<int>(0, 10)) {
      case 0: {
        const char c = input.ConsumeIntegral<char>();
        const bool typed = mask.Type(c);
        if (!typed) {
          Require(mask.Text() == before, "a refused key changes nothing");
        } else {
          const std::size_t place = start == TimeMaskText::kColon ? start + 1 : start;
          Require(c >= '0' && c <= '9' && mask.Text()[place] == c, "a typed digit goes to the place at the caret");
        }
        break;
      }
      case 1:
        mask.Backspace();
        break;
      case 2: {
        mask.Delete();
        Require(selection || mask.Caret() == start || start == TimeMaskText::kColon, "Delete keeps the caret");
        break;
      }
      case 3: {
        const std::string pasted = input.ConsumeRandomLengthString(10);
        if (!mask.Paste(pasted)) {
          Require(mask.Text() == before, "a refused paste changes nothing");
        }
        break;
      }
      case 4: {
        const std::string selected = mask.SelectedText();
        Require(mask.Cut() == selected && !mask.HasSelection(), "Cut hands out the selection and clears it");
        break;
      }
      case 5: {
        const auto anchor = input.ConsumeIntegralInRange<std::size_t>(0, 8);
        const auto caret = input.ConsumeIntegralInRange<std::size_t>(0, 8);
        mask.Select(anchor, caret);
        break;
      }
      case 6:
        mask.MoveLeft(input.ConsumeBool());
        break;
      case 7:
        mask.MoveRight(input.ConsumeBool());
        break;
      case 8:
        mask.MoveHome(input.ConsumeBool());
        break;
      case 9:
        mask.MoveEnd(input.ConsumeBool());
        break;
      default:
        mask.SelectAll();
        Require(mask.SelectedText() == mask.Text(), "Select all selects the whole text");
        break;
    }
    CheckShape(mask);
  }
  return 0;
}
