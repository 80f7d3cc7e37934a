#pragma once
// A file in a folder of its own below the temporary directory, for readers that take a path. The
// folder lives as long as the fuzzing process; each input rewrites the file.
#include <string>
#include <string_view>

namespace fuzz {

class ScratchFile {
 public:
  explicit ScratchFile(const std::string& name);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  [[nodiscard]] const std::string& Path() const { return path_; }
  void Write(std::string_view bytes) const;
  void Remove() const;

 private:
  std::string dir_;
  std::string path_;
};

}  // namespace fuzz
