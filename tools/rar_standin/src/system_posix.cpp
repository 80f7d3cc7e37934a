#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "command_line.h"
#include "system.h"

namespace rar_standin {
namespace {

bool IsValidUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) {
      return false;
    }
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) {
        return false;
      }
    }
    i += length;
  }
  return true;
}

}  // namespace

Invocation CurrentInvocation(int argc, char** argv) {
  Invocation invocation;
  invocation.items.assign(argv, argv + argc);
  invocation.line = JoinCommandLine(invocation.items);
  return invocation;
}

std::string ProgramDirectory() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) {
    return "./";
  }
  path.resize(static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

std::string NameForArchive(const std::string& name, bool& utf8) {
  const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  utf8 = !ascii && IsValidUtf8(name);
  return name;
}

void SleepSeconds(unsigned seconds) { std::this_thread::sleep_for(std::chrono::seconds(seconds)); }

void CrashNow() { std::abort(); }

}  // namespace rar_standin
