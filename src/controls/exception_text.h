#pragma once
// The text of the application's default error box.
#include <string>
#include <string_view>

namespace controls {

// The exception's message, with a period appended when its last character's code is above '.'
// (codes are taken as unsigned, so letters of the 8-bit code page's upper half get one too).
std::string ErrorBoxText(std::string_view message);

}  // namespace controls
