#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/posix/paths.h"

namespace platform {

std::optional<std::uint64_t> FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(posix::ToNative(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(st.st_size);
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  const std::string native = posix::ToNative(path);
  struct stat st {};
  // As on Windows, a file without write permission is read-only, also for root.
  if (::stat(native.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    return false;
  }
  const int fd = ::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (fd < 0) {
    return false;
  }
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  bool ok = true;
  while (ok && left > 0) {
    const ssize_t n = ::write(fd, p, left);
    ok = n > 0;
    if (ok) {
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  return ::close(fd) == 0 && ok;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return std::rename(posix::ToNative(from).c_str(), posix::ToNative(to).c_str()) == 0;
}

}  // namespace platform
