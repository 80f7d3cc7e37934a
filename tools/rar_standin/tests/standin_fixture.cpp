#include "standin_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "binary_file.h"
#include "db/program_dir.h"
#include "platform/process.h"

namespace fs = std::filesystem;

namespace standin_test {

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    throw std::runtime_error("test setup could not write " + path);
  }
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1u;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1664525u + 1013904223u;
    bytes[i] = static_cast<char>((x >> 24) | 1u);
  }
  return bytes;
}

void WriteSparse(const std::string& path, std::uint64_t size,
                 const std::vector<std::pair<std::uint64_t, std::string>>& patches) {
  rar_standin::BinaryFile file = rar_standin::BinaryFile::CreateForWriting(path);
  file.SkipZeros(0);  // makes the file sparse where the file system asks for that
  for (const auto& [offset, bytes] : patches) {
    file.SeekTo(offset);
    file.Write(bytes.data(), bytes.size());
  }
  file.SetSize(size);
}

std::string StandinProgram() {
#if defined(_WIN32)
  return db::ExeDir() + "\\dw_rar_standin.exe";
#else
  return db::ExeDir() + "/dw_rar_standin";
#endif
}

std::optional<std::uint32_t> Start(const std::string& program, const std::vector<std::string>& items,
                                 const std::string& workingDir) {
  std::string line = program;
  // Paths in quotes, words bare: the form of the lines the backup run builds.
  for (const std::string& item : items) {
    const bool path = item.empty() || item.find_first_of(" \\/") != std::string::npos;
    line += path ? " \"" + item + "\"" : " " + item;
  }
  return platform::StartProcessAndWait(line, workingDir);
}

std::optional<std::string> HostTool(const std::string& name) {
#if defined(_WIN32)
  (void)name;
  return std::nullopt;
#else
  // Debian's p7zip-full installs 7z; its 7zip package installs the same program as 7zz.
  for (const std::string& candidate : name == "7z" ? std::vector<std::string>{"7z", "7zz"} : std::vector{name}) {
    if (Exists("/usr/bin/" + candidate)) {
      return "/usr/bin/" + candidate;
    }
  }
  return std::nullopt;
#endif
}

int Shell(const std::string& commandLine) { return std::system((commandLine + " >/dev/null 2>&1").c_str()); }

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace standin_test
