#include "platform/folder_files.h"

#include <windows.h>

namespace platform {
namespace {

// Owns a search handle of FindFirstFileA.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (Valid()) {
      ::FindClose(handle_);
    }
  }
  [[nodiscard]] bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  [[nodiscard]] HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::optional<std::vector<FolderFile>> ListFolderFiles(const std::string& folder) {
  if (folder.empty()) {
    return std::nullopt;
  }
  const DWORD attributes = ::GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return std::nullopt;
  }
  std::string pattern = folder;
  if (pattern.back() != '\\') {
    pattern += '\\';
  }
  pattern += '*';
  WIN32_FIND_DATAA data{};
  FindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  std::vector<FolderFile> files;
  if (!find.Valid()) {
    // An empty folder still holds "." and ".."; a search that finds nothing was refused.
    return ::GetLastError() == ERROR_FILE_NOT_FOUND ? std::optional(files) : std::nullopt;
  }
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      files.push_back({data.cFileName, size});
    }
  } while (::FindNextFileA(find.Get(), &data) != FALSE);
  if (::GetLastError() != ERROR_NO_MORE_FILES) {
    return std::nullopt;  // the listing broke off: a partial one would make present files look gone
  }
  return files;
}

}  // namespace platform
