#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {
namespace {

std::string ProgramForm(const fs::path& path) {
  std::string text = path.string();
#if !defined(_WIN32)
  std::replace(text.begin(), text.end(), '/', '\\');
#endif
  return text;
}

}  // namespace

std::string Native(const std::string& programPath) {
  std::string text = programPath;
#if !defined(_WIN32)
  std::replace(text.begin(), text.end(), '\\', '/');
#endif
  return text;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path dir = fs::temp_directory_path() /
                       ("dwtest-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(dir);
  path_ = ProgramForm(dir);
}

TempDir::~TempDir() {
  std::error_code ignored;
  const fs::path dir = Native(path_);
  // Read-only files must become writable again before they can go on Windows.
  for (const auto& entry : fs::recursive_directory_iterator(dir, ignored)) {
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(dir, ignored);
}

void MakeDir(const std::string& programPath) { fs::create_directories(Native(programPath)); }

void WriteBytes(const std::string& programPath, const std::string& bytes) {
  std::ofstream out(Native(programPath), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    throw std::runtime_error("test setup could not write " + programPath);
  }
}

std::string ReadBytes(const std::string& programPath) {
  std::ifstream in(Native(programPath), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListDir(const std::string& programPath) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Native(programPath))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void SetReadOnly(const std::string& programPath, bool readOnly) {
  const auto writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(Native(programPath), writeBits, readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

}  // namespace testing_support
