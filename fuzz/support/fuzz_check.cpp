#include "support/fuzz_check.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void Fail(const std::string& property) {
  std::fprintf(stderr, "property failed: %s\n", property.c_str());
  std::abort();
}

}  // namespace fuzz
