#include "platform/read_tail.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace platform {

std::optional<FileTail> ReadFileTail(const std::string& path, std::uint64_t maxBytes) {
  // Shared for delete too, so that the log's rotation (a rename) is not refused while this reads.
  win32::UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid() || ::GetFileType(file.Get()) != FILE_TYPE_DISK) {
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) {
    return std::nullopt;
  }
  FileTail tail;
  tail.fileSize = static_cast<std::uint64_t>(size.QuadPart);
  const std::uint64_t want = tail.fileSize < maxBytes ? tail.fileSize : maxBytes;
  LARGE_INTEGER start{};
  start.QuadPart = static_cast<LONGLONG>(tail.fileSize - want);
  if (!::SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN)) {
    return std::nullopt;
  }
  tail.bytes.resize(static_cast<std::size_t>(want));
  std::size_t done = 0;
  while (done < tail.bytes.size()) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), tail.bytes.data() + done, static_cast<DWORD>(tail.bytes.size() - done), &got,
                    nullptr)) {
      return std::nullopt;
    }
    if (got == 0) {
      break;  // cut short meanwhile
    }
    done += got;
  }
  tail.bytes.resize(done);
  return tail;
}

}  // namespace platform
