#include "support/scratch_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "support/fuzz_check.h"

namespace fuzz {

ScratchFile::ScratchFile(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/dw_fuzz_XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    Fail("a scratch folder can be made");
  }
  dir_ = buffer.data();
  path_ = dir_ + "/" + name;
}

ScratchFile::~ScratchFile() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void ScratchFile::Write(std::string_view bytes) const {
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Require(static_cast<bool>(out), "the scratch file can be written");
}

void ScratchFile::Remove() const { std::remove(path_.c_str()); }

}  // namespace fuzz
