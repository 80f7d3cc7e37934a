#include "platform/system_info.h"

#include <unistd.h>

#include <array>
#include <climits>

namespace platform {

std::string ComputerName() {
  std::array<char, 101> buffer{};
  if (::gethostname(buffer.data(), buffer.size() - 1) != 0) {
    return {};
  }
  return buffer.data();
}

std::string ProgramPath() {
  std::array<char, PATH_MAX> buffer{};
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) {
    return {};
  }
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string CurrentDirectory() {
  std::array<char, PATH_MAX> buffer{};
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    return {};
  }
  return buffer.data();
}

std::string TimeSeparator() { return ":"; }

}  // namespace platform
