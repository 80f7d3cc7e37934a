#pragma once
// The stand-in archiver's whole job, apart from the process entry.
#include <string>
#include <vector>

#include "mode.h"

namespace rar_standin {

// Runs one command: items[1..] are "a" "-ep" <archive> <file> or "t" <archive>. `mode` governs
// "a" only. Messages go to standard error. Returns the exit code (the crash mode does not return).
int RunCommand(const std::vector<std::string>& items, const Mode& mode);

// Reads the mode file in `directory` (ending with a separator); a missing file is the normal mode.
Mode ReadModeFile(const std::string& directory);

}  // namespace rar_standin
