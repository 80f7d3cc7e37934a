#pragma once
// Whether a folder can be reached: a copy folder on a share that is down, or a drive that is not
// there, is told from a file that is gone.
#include <string>

namespace platform {

// True when `folder` (with or without a trailing backslash) names an existing folder.
bool FolderExists(const std::string& folder);

}  // namespace platform
