#include "platform/folder_exists.h"

#include <sys/stat.h>

#include "platform/posix/paths.h"

namespace platform {

bool FolderExists(const std::string& folder) {
  struct stat st {};
  return !folder.empty() && ::stat(posix::ToNative(folder).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform
