#include "platform/files.h"

#include <windows.h>

#include <string>

#include "platform/win32/unique_handle.h"

namespace platform {
namespace {

DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

bool IsRegularFile(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

bool FileExists(const std::string& path) { return IsRegularFile(path); }

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }

bool CopyFileOverwrite(const std::string& from, const std::string& to) {
  // CopyFileA refuses a read-only target itself; Wine run by root does not, so it is checked here too.
  const DWORD target = Attributes(to);
  if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_READONLY) != 0) {
    return false;
  }
  return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::uint64_t maxBytes) {
  win32::UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size) || static_cast<std::uint64_t>(size.QuadPart) > maxBytes ||
      size.QuadPart > 0x7FFFFFFF) {
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(bytes.size() - done);
    if (!::ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr)) {
      return std::nullopt;
    }
    if (got == 0) {
      break;
    }
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& bytes, NewFileAccess) {
  // A new file takes the access its folder hands down: owner-only access would need the program
  // to write access lists, which the program's folder already decides.
  const DWORD attributes = Attributes(path);
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return false;
  }
  const std::string temp = path + ".tmp" + std::to_string(::GetCurrentProcessId());
  {
    win32::UniqueHandle file(
        ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
      return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
      DWORD written = 0;
      ok = ::WriteFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) &&
           written > 0;
      done += written;
    }
    if (!ok || !::FlushFileBuffers(file.Get())) {
      file.Reset();
      ::DeleteFileA(temp.c_str());
      return false;
    }
  }
  // The replaced file's attributes (hidden, system, archive, ...) pass to its successor before it
  // takes the name, so no reader sees the file without them.
  constexpr DWORD kKept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE;
  if (exists && (attributes & kKept) != 0) {
    ::SetFileAttributesA(temp.c_str(), attributes & kKept);
  }
  if (!::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ::SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
