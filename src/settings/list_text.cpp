#include "settings/list_text.h"

#include <string>

#include "platform/codepage.h"

namespace settings {
namespace {

// Lower case of the letters the 8-bit code pages hold: Latin, Latin-1, Latin Extended-A, Cyrillic.
char16_t Folded(char16_t c) {
  const auto plus = [c](int d) { return static_cast<char16_t>(c + d); };
  if ((c >= u'A' && c <= u'Z') || (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) || (c >= 0x0410 && c <= 0x042F)) {
    return plus(0x20);
  }
  if (c >= 0x0400 && c <= 0x040F) {  // Ѐ Ё Ђ ... Џ
    return plus(0x50);
  }
  if (c == 0x0178) {  // Ÿ
    return 0x00FF;
  }
  // Latin Extended-A puts each lower-case letter right after its upper-case one: on even codes in two
  // runs, on odd codes in the two others.
  const bool evenRun = (c >= 0x0100 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177);
  const bool oddRun = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
  if ((evenRun && c % 2 == 0) || (oddRun && c % 2 == 1)) {
    return plus(1);
  }
  return c;
}

std::u16string FoldedText(std::string_view ansi) {
  std::u16string wide = platform::AnsiToUtf16(ansi);
  for (char16_t& c : wide) {
    c = Folded(c);
  }
  return wide;
}

}  // namespace

int CompareTextIgnoringCase(std::string_view a, std::string_view b) {
  return FoldedText(a).compare(FoldedText(b));
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) { return CompareTextIgnoringCase(a, b) == 0; }

}  // namespace settings
