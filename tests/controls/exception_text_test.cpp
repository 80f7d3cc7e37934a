#include "controls/exception_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorBoxTextTest, PeriodOnlyAfterCharactersAboveThePeriod) {
  struct Case {
    const char* message;
    const char* shown;
  };
  for (const Case& c : {Case{"Unable to write to C:\\Bak_Info\\Bak_Info.ini", "Unable to write to C:\\Bak_Info\\Bak_Info.ini."},
                        Case{"''24:30:0'' is not a valid time", "''24:30:0'' is not a valid time."},
                        Case{"Done.", "Done."},      // the period itself: not above
                        Case{"Stopped!", "Stopped!"},  // '!' is below '.'
                        Case{"value -", "value -"},    // '-' is just below
                        Case{"path /", "path /."},     // '/' is just above
                        Case{"(3)", "(3)"},            // ')' is below
                        Case{"count 0", "count 0."},
                        Case{"ends with space ", "ends with space "},
                        Case{"", ""}}) {
    EXPECT_EQ(controls::ErrorBoxText(c.message), c.shown) << '"' << c.message << '"';
  }
}

TEST(ErrorBoxTextTest, CodePageLettersCountAsAboveThePeriod) {
  // "Ошибка" in Windows-1251: the last byte 0xE0 is above '.' when read unsigned.
  const std::string cyrillic = "\xCE\xF8\xE8\xE1\xEA\xE0";
  EXPECT_EQ(controls::ErrorBoxText(cyrillic), cyrillic + ".");
}

}  // namespace
