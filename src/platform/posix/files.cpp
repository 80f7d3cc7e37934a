#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <vector>

#include "platform/posix/paths.h"

namespace platform {
namespace {

// Copies go through a buffer of this size, whatever the size of the file.
constexpr std::size_t kCopyBlock = 1u << 20;

bool IsRegularFile(const std::string& native) {
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Windows refuses writes to a file with the read-only attribute even for administrators;
// the POSIX build treats a file without any write bit the same way (also when run as root).
bool IsReadOnly(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// Owns a descriptor; every descriptor is opened close-on-exec, so a started program gets none.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  [[nodiscard]] bool Valid() const { return fd_ >= 0; }
  [[nodiscard]] int Get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  // Closes now; false when the close reports an error (for a written file: data may be lost).
  bool Close() {
    if (fd_ < 0) {
      return true;
    }
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* p, std::size_t left) {
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// A file beside the target that takes its name only once it is complete; removed if it never does.
class TempBeside {
 public:
  // mode: the permissions the finished file will have (umask applied unless exactMode).
  TempBeside(const std::string& target, mode_t mode, bool exactMode) : target_(target) {
    std::random_device random;
    for (int attempt = 0; attempt < 16 && !fd_.Valid(); ++attempt) {
      path_ = target + ".tmp" + std::to_string(random() % 1000000u);
      // Owner-only while it is written; the final mode is set once the bytes are in.
      fd_.Reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exactMode ? 0600 : mode));
    }
    if (fd_.Valid() && exactMode && ::fchmod(fd_.Get(), mode) != 0) {
      Discard();
    }
  }
  ~TempBeside() { Discard(); }
  TempBeside(const TempBeside&) = delete;
  TempBeside& operator=(const TempBeside&) = delete;

  [[nodiscard]] bool Valid() const { return fd_.Valid(); }
  [[nodiscard]] int Get() const { return fd_.Get(); }

  // Flushes, closes and puts the file in the target's place in one step.
  bool Commit() {
    if (!fd_.Valid()) {
      return false;
    }
    const bool synced = ::fsync(fd_.Get()) == 0;
    const bool closed = fd_.Close();
    if (!synced || !closed || ::rename(path_.c_str(), target_.c_str()) != 0) {
      ::unlink(path_.c_str());
      path_.clear();
      return false;
    }
    path_.clear();
    return true;
  }

 private:
  void Discard() {
    if (!path_.empty()) {
      fd_.Close();
      ::unlink(path_.c_str());
      path_.clear();
    }
  }

  std::string target_;
  std::string path_;
  Descriptor fd_{-1};
};

bool CopyBlocks(int from, int to) {
  std::vector<char> block(kCopyBlock);
  for (;;) {
    const ssize_t n = ::read(from, block.data(), block.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return false;
    }
    if (n == 0) {
      return true;
    }
    if (!WriteAll(to, block.data(), static_cast<std::size_t>(n))) {
      return false;
    }
  }
}

}  // namespace

bool FileExists(const std::string& path) { return IsRegularFile(posix::ToNative(path)); }

bool RemoveFile(const std::string& path) {
  const std::string native = posix::ToNative(path);
  return IsRegularFile(native) && ::unlink(native.c_str()) == 0;
}

// As CopyFileA: the copy gets the source's attributes (here its permission bits); a read-only
// target or a folder is not replaced. Until the copy is complete the old target stays as it was.
bool CopyFileOverwrite(const std::string& from, const std::string& to) {
  try {
    const std::string src = posix::ToNative(from);
    const std::string dst = posix::ToNative(to);
    const Descriptor in(::open(src.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat source {};
    if (!in.Valid() || ::fstat(in.Get(), &source) != 0 || !S_ISREG(source.st_mode)) {
      return false;
    }
    struct stat target {};
    if (::stat(dst.c_str(), &target) == 0) {
      const bool sameFile = target.st_dev == source.st_dev && target.st_ino == source.st_ino;
      if (!S_ISREG(target.st_mode) || IsReadOnly(target) || sameFile) {
        return false;
      }
    }
    TempBeside out(dst, source.st_mode & 07777, true);
    return out.Valid() && CopyBlocks(in.Get(), out.Get()) && out.Commit();
  } catch (...) {
    return false;  // out of memory for even one block: a failed copy, nothing more
  }
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::uint64_t maxBytes) {
  const std::string native = posix::ToNative(path);
  const Descriptor in(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (!in.Valid() || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(in.Get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return std::nullopt;
    }
    if (n == 0) {
      break;  // the file shrank while it was read
    }
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& bytes, NewFileAccess newFile) {
  const std::string native = posix::ToNative(path);
  struct stat existing {};
  const bool exists = ::stat(native.c_str(), &existing) == 0;
  if (exists && (!S_ISREG(existing.st_mode) || IsReadOnly(existing))) {
    return false;
  }
  // The replaced file keeps its permissions exactly; a new one gets the usual 0666 less the umask,
  // or owner-only access when asked.
  const bool ownerOnly = newFile == NewFileAccess::OwnerOnly;
  const mode_t mode = exists ? (existing.st_mode & 07777) : (ownerOnly ? 0600 : 0666);
  TempBeside out(native, mode, exists || ownerOnly);
  return out.Valid() && WriteAll(out.Get(), bytes.data(), bytes.size()) && out.Commit();
}

}  // namespace platform
