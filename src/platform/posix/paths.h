#pragma once
#include <string>

namespace platform::posix {

// The program writes Windows-style paths; on POSIX the backslash is the directory separator.
inline std::string ToNative(std::string path) {
  for (char& c : path) {
    if (c == '\\') {
      c = '/';
    }
  }
  return path;
}

}  // namespace platform::posix
