#include "platform/folder_exists.h"

#include <windows.h>

namespace platform {

bool FolderExists(const std::string& folder) {
  if (folder.empty()) {
    return false;
  }
  const DWORD attributes = ::GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace platform
