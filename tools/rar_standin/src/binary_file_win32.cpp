#include "binary_file.h"

#include <windows.h>
#include <winioctl.h>

#include <utility>
#include <vector>

namespace rar_standin {
namespace {

HANDLE H(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::intptr_t Open(const std::string& path, DWORD access, DWORD disposition) {
  const HANDLE h = ::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(h);
}

std::string ErrorText(DWORD code) { return "Windows error " + std::to_string(code); }

// Reads and writes in pieces a DWORD count always holds.
constexpr std::size_t kMaxChunk = 1u << 30;

}  // namespace

BinaryFile BinaryFile::OpenForReading(const std::string& path) {
  const std::intptr_t h = Open(path, GENERIC_READ, OPEN_EXISTING);
  if (h == -1) {
    throw FileError("cannot open " + path + ": " + ErrorText(::GetLastError()));
  }
  return BinaryFile(h, path);
}

BinaryFile BinaryFile::OpenForUpdate(const std::string& path) {
  const std::intptr_t h = Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  if (h == -1) {
    throw FileError("cannot open " + path + ": " + ErrorText(::GetLastError()));
  }
  return BinaryFile(h, path);
}

BinaryFile BinaryFile::CreateForWriting(const std::string& path) {
  const std::intptr_t h = Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  if (h == -1) {
    throw FileError("cannot create " + path + ": " + ErrorText(::GetLastError()));
  }
  return BinaryFile(h, path);
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)), sparse_(other.sparse_) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
    path_ = std::move(other.path_);
    sparse_ = other.sparse_;
  }
  return *this;
}

BinaryFile::~BinaryFile() { Close(); }

void BinaryFile::Close() {
  if (handle_ != -1) {
    ::CloseHandle(H(handle_));
    handle_ = -1;
  }
}

void BinaryFile::Fail(const char* what) const {
  throw FileError(std::string(what) + " " + path_ + ": " + ErrorText(::GetLastError()));
}

std::size_t BinaryFile::Read(void* buffer, std::size_t size) {
  DWORD got = 0;
  const auto want = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
  if (!::ReadFile(H(handle_), buffer, want, &got, nullptr)) {
    Fail("cannot read");
  }
  return got;
}

void BinaryFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  SeekTo(offset);
  auto* p = static_cast<char*>(buffer);
  while (size > 0) {
    const std::size_t n = Read(p, size);
    if (n == 0) {
      throw FileError("unexpected end of " + path_);
    }
    p += n;
    size -= n;
  }
}

void BinaryFile::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD put = 0;
    const auto want = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
    if (!::WriteFile(H(handle_), p, want, &put, nullptr) || put == 0) {
      Fail("cannot write");
    }
    p += put;
    size -= put;
  }
}

void BinaryFile::SkipZeros(std::uint64_t size) {
  // Only a sparse file promises zeros in a range never written; where the file system has no
  // sparse files the zeros are written out.
  if (!sparse_) {
    DWORD ignored = 0;
    sparse_ = ::DeviceIoControl(H(handle_), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr) != 0;
  }
  if (sparse_) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFilePointerEx(H(handle_), distance, nullptr, FILE_CURRENT)) {
      Fail("cannot seek in");
    }
    return;
  }
  const std::vector<char> zeros(static_cast<std::size_t>(size < (1u << 20) ? size : (1u << 20)), '\0');
  while (size > 0) {
    const std::size_t n = static_cast<std::size_t>(size < zeros.size() ? size : zeros.size());
    Write(zeros.data(), n);
    size -= n;
  }
}

void BinaryFile::SeekTo(std::uint64_t offset) {
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(H(handle_), position, nullptr, FILE_BEGIN)) {
    Fail("cannot seek in");
  }
}

std::uint64_t BinaryFile::Size() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(H(handle_), &size)) {
    Fail("cannot query");
  }
  return static_cast<std::uint64_t>(size.QuadPart);
}

void BinaryFile::SetSize(std::uint64_t size) {
  SeekTo(size);
  if (!::SetEndOfFile(H(handle_))) {
    Fail("cannot resize");
  }
}

void BinaryFile::Flush() {
  if (!::FlushFileBuffers(H(handle_))) {
    Fail("cannot flush");
  }
}

CalendarTime BinaryFile::LastWriteTime() const {
  FILETIME written{};
  FILETIME local{};
  SYSTEMTIME t{};
  if (!::GetFileTime(H(handle_), nullptr, nullptr, &written) || !::FileTimeToLocalFileTime(&written, &local) ||
      !::FileTimeToSystemTime(&local, &t)) {
    return {};
  }
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool BinaryFile::SameFileAs(const BinaryFile& other) const {
  BY_HANDLE_FILE_INFORMATION a{};
  BY_HANDLE_FILE_INFORMATION b{};
  return ::GetFileInformationByHandle(H(handle_), &a) && ::GetFileInformationByHandle(H(other.handle_), &b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

}  // namespace rar_standin
