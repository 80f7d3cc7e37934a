#pragma once
// A fresh folder per test, removed afterwards. Paths are handed out in the program's own form
// (backslash-separated); the platform layer maps them on POSIX.
#include <string>
#include <vector>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing separator.
  [[nodiscard]] const std::string& Path() const { return path_; }
  // Path() + "\" + name.
  [[nodiscard]] std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// The operating system's form of a program path (slashes on POSIX).
std::string Native(const std::string& programPath);

void MakeDir(const std::string& programPath);
void WriteBytes(const std::string& programPath, const std::string& bytes);
std::string ReadBytes(const std::string& programPath);
// Names of the entries of a folder, sorted.
std::vector<std::string> ListDir(const std::string& programPath);
void SetReadOnly(const std::string& programPath, bool readOnly);

}  // namespace testing_support
