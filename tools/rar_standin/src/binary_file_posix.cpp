#include "binary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace rar_standin {
namespace {

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

BinaryFile BinaryFile::OpenForReading(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
    ::close(fd);
    throw FileError("cannot open " + path + ": it is a folder");
  }
  if (fd < 0) {
    throw FileError("cannot open " + path + ": " + std::strerror(errno));
  }
  return BinaryFile(fd, path);
}

BinaryFile BinaryFile::OpenForUpdate(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    throw FileError("cannot open " + path + ": " + std::strerror(errno));
  }
  return BinaryFile(fd, path);
}

BinaryFile BinaryFile::CreateForWriting(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    throw FileError("cannot create " + path + ": " + std::strerror(errno));
  }
  return BinaryFile(fd, path);
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
  if (handle_ >= 0) {
    ::close(Fd(handle_));
    handle_ = -1;
  }
}

void BinaryFile::Fail(const char* what) const {
  throw FileError(std::string(what) + " " + path_ + ": " + std::strerror(errno));
}

std::size_t BinaryFile::Read(void* buffer, std::size_t size) {
  while (true) {
    const ssize_t n = ::read(Fd(handle_), buffer, size);
    if (n >= 0) {
      return static_cast<std::size_t>(n);
    }
    if (errno != EINTR) {
      Fail("cannot read");
    }
  }
}

void BinaryFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  auto* p = static_cast<char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::pread(Fd(handle_), p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      Fail("cannot read");
    }
    if (n == 0) {
      throw FileError("unexpected end of " + path_);
    }
    p += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
}

void BinaryFile::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(Fd(handle_), p, size);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      Fail("cannot write");
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

void BinaryFile::SkipZeros(std::uint64_t size) {
  // Every POSIX file system reads a hole as zeros.
  if (::lseek(Fd(handle_), static_cast<off_t>(size), SEEK_CUR) < 0) {
    Fail("cannot seek in");
  }
}

void BinaryFile::SeekTo(std::uint64_t offset) {
  if (::lseek(Fd(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) {
    Fail("cannot seek in");
  }
}

std::uint64_t BinaryFile::Size() const {
  struct stat st {};
  if (::fstat(Fd(handle_), &st) != 0) {
    Fail("cannot query");
  }
  return static_cast<std::uint64_t>(st.st_size);
}

void BinaryFile::SetSize(std::uint64_t size) {
  if (::ftruncate(Fd(handle_), static_cast<off_t>(size)) != 0) {
    Fail("cannot resize");
  }
}

void BinaryFile::Flush() {
  if (::fsync(Fd(handle_)) != 0) {
    Fail("cannot flush");
  }
}

CalendarTime BinaryFile::LastWriteTime() const {
  struct stat st {};
  if (::fstat(Fd(handle_), &st) != 0) {
    Fail("cannot query");
  }
  std::tm local{};
  const std::time_t when = st.st_mtime;
  if (::localtime_r(&when, &local) == nullptr) {
    return {};
  }
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

bool BinaryFile::SameFileAs(const BinaryFile& other) const {
  struct stat a {};
  struct stat b {};
  return ::fstat(Fd(handle_), &a) == 0 && ::fstat(Fd(other.handle_), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace rar_standin
