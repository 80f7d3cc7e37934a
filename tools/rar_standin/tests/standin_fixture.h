#pragma once
// Helpers of the stand-in archiver's tests: temporary folders in the operating system's own path
// form, the built program, and Debian's 7-Zip and unzip where they are installed.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace standin_test {

// A temporary folder; In(name) is a native path inside it.
class Folder {
 public:
  [[nodiscard]] std::string In(const std::string& name) const { return testing_support::Native(dir_.File(name)); }
  [[nodiscard]] std::string Path() const { return testing_support::Native(dir_.Path()); }

 private:
  testing_support::TempDir dir_;
};

void Write(const std::string& path, const std::string& bytes);
std::string Read(const std::string& path);
bool Exists(const std::string& path);
std::vector<std::string> Names(const std::string& folder);

// Bytes that are never all zero in any block, different at every position.
std::string Pattern(std::size_t size, unsigned seed);

// A sparse file of `size` bytes, zero except for the given bytes at the given offsets.
void WriteSparse(const std::string& path, std::uint64_t size,
                 const std::vector<std::pair<std::uint64_t, std::string>>& patches);

// The built dw_rar_standin beside the test program.
std::string StandinProgram();

// Starts `program` with the items quoted into one command line, in `workingDir`; the exit code,
// nullopt when it could not start.
std::optional<std::uint32_t> Start(const std::string& program, const std::vector<std::string>& items,
                                 const std::string& workingDir);

// Debian's /usr/bin/7z (or 7zz) or /usr/bin/unzip when present (POSIX builds only); runs a shell command
// line and gives its exit status.
std::optional<std::string> HostTool(const std::string& name);
int Shell(const std::string& commandLine);
std::string Quoted(const std::string& path);

}  // namespace standin_test
