#pragma once
// What a fuzz target does when a property fails: it names the property and aborts, so libFuzzer
// keeps the input as a crash and the replay of the corpus fails on it.
#include <string>

namespace fuzz {

[[noreturn]] void Fail(const std::string& property);

inline void Require(bool holds, const char* property) {
  if (!holds) {
    Fail(property);
  }
}

}  // namespace fuzz
