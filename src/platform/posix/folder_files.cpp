#include "platform/folder_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "platform/posix/paths.h"

namespace platform {
namespace {

struct CloseDir {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::optional<std::vector<FolderFile>> ListFolderFiles(const std::string& folder) {
  std::string native = posix::ToNative(folder);
  if (native.empty()) {
    return std::nullopt;
  }
  if (native.back() != '/') {
    native += '/';
  }
  std::unique_ptr<DIR, CloseDir> dir(::opendir(native.c_str()));
  if (!dir) {
    return std::nullopt;
  }
  std::vector<FolderFile> files;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (entry->d_type == DT_REG) {
      files.push_back({entry->d_name, std::nullopt});  // a stat per file would cost more than the rest
      continue;
    }
    struct stat st {};
    if (entry->d_type != DT_DIR && ::fstatat(::dirfd(dir.get()), entry->d_name, &st, 0) == 0 &&
        S_ISREG(st.st_mode)) {
      files.push_back({entry->d_name, static_cast<std::uint64_t>(st.st_size)});
    }
  }
  return files;
}

}  // namespace platform
