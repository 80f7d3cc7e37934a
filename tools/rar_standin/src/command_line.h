#pragma once
// Splits a Windows command line into items the way the Microsoft C runtime builds argv, so the
// stand-in reads the archiver's command line exactly as a C program built with MSVC would.
#include <string>
#include <string_view>
#include <vector>

namespace rar_standin {

// The first item (the program) ends at the first blank outside quotes and takes backslashes
// literally. In the items after it: blanks (space, tab) outside quotes separate; a double quote
// toggles quoting; 2n backslashes before a quote give n backslashes and the quote toggles,
// 2n+1 give n backslashes and a literal quote; other backslashes are literal; inside quotes a
// doubled quote gives one literal quote.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The items joined back into one line, each quoted when it is empty or holds a blank or a quote
// (for the record the stand-in leaves of how it was called, where no raw line exists).
std::string JoinCommandLine(const std::vector<std::string>& items);

}  // namespace rar_standin
