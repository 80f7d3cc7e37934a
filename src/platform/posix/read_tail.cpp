#include "platform/read_tail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/paths.h"

namespace platform {

std::optional<FileTail> ReadFileTail(const std::string& path, std::uint64_t maxBytes) {
  const int fd = ::open(posix::ToNative(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return std::nullopt;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    return std::nullopt;
  }
  FileTail tail;
  tail.fileSize = static_cast<std::uint64_t>(st.st_size);
  const std::uint64_t want = tail.fileSize < maxBytes ? tail.fileSize : maxBytes;
  tail.bytes.resize(static_cast<std::size_t>(want));
  std::size_t done = 0;
  const auto start = static_cast<off_t>(tail.fileSize - want);
  while (done < tail.bytes.size()) {
    const ssize_t n = ::pread(fd, tail.bytes.data() + done, tail.bytes.size() - done, start + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return std::nullopt;
    }
    if (n == 0) {
      break;  // cut short meanwhile
    }
    done += static_cast<std::size_t>(n);
  }
  tail.bytes.resize(done);
  return tail;
}

}  // namespace platform
