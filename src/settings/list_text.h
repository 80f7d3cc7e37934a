#pragma once
// How the settings dialog's lists compare their items: texts in the system's 8-bit code page, equal or
// ordered without regard to letter case, Cyrillic and accented Latin letters included.
#include <string_view>

namespace settings {

bool SameTextIgnoringCase(std::string_view a, std::string_view b);
// Negative, zero or positive as a sorts before, with or after b.
int CompareTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace settings
