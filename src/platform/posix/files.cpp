#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

#include "platform/posix/paths.h"

namespace platform {
namespace {

bool IsRegularFile(const std::string& native) {
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Windows refuses writes to a file with the read-only attribute even for administrators;
// the POSIX build treats a file without any write bit the same way (also when run as root).
bool IsReadOnly(const std::string& native) {
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool WriteAll(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool FileExists(const std::string& path) { return IsRegularFile(posix::ToNative(path)); }

bool DeleteFile(const std::string& path) {
  const std::string native = posix::ToNative(path);
  return IsRegularFile(native) && ::unlink(native.c_str()) == 0;
}

bool CopyFileOverwrite(const std::string& from, const std::string& to) {
  const std::string src = posix::ToNative(from);
  if (!IsRegularFile(src)) {
    return false;
  }
  const auto bytes = ReadFileBytes(from, UINT64_MAX);
  if (!bytes) {
    return false;
  }
  const std::string dst = posix::ToNative(to);
  if (IsReadOnly(dst)) {
    return false;
  }
  std::ofstream out(dst, std::ios::binary | std::ios::trunc);
  out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
  return static_cast<bool>(out.flush());
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::uint64_t maxBytes) {
  const std::string native = posix::ToNative(path);
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    return std::nullopt;
  }
  std::ifstream in(native, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (in.bad()) {
    return std::nullopt;
  }
  return bytes;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string native = posix::ToNative(path);
  if (IsReadOnly(native)) {
    return false;
  }
  std::random_device rd;
  const std::string temp = native + ".tmp" + std::to_string(rd() % 1000000u);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) {
    return false;
  }
  const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.c_str(), native.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
