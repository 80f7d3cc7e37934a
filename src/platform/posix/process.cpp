#include "platform/process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/posix/paths.h"

namespace platform {
namespace {

// Splits a Windows-style command line: double quotes group, they are not part of the item.
std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> items;
  std::string current;
  bool inQuotes = false;
  bool haveItem = false;
  for (char c : line) {
    if (c == '"') {
      inQuotes = !inQuotes;
      haveItem = true;
    } else if (c == ' ' && !inQuotes) {
      if (haveItem) {
        items.push_back(current);
      }
      current.clear();
      haveItem = false;
    } else {
      current += c;
      haveItem = true;
    }
  }
  if (haveItem) {
    items.push_back(current);
  }
  return items;
}

}  // namespace

std::optional<std::uint32_t> StartProcessAndWait(const std::string& commandLine, const std::string& workingDir) {
  std::vector<std::string> items = SplitCommandLine(commandLine);
  if (items.empty()) {
    return std::nullopt;
  }
  for (auto& item : items) {
    item = posix::ToNative(item);
  }
  const std::string dir = posix::ToNative(workingDir);
  if (::access(items[0].c_str(), X_OK) != 0) {
    return std::nullopt;  // as CreateProcess: a program that cannot be started is not "created"
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    return std::nullopt;
  }
  if (pid == 0) {
    std::vector<char*> argv;
    for (auto& item : items) {
      argv.push_back(item.data());
    }
    argv.push_back(nullptr);
    if (!dir.empty() && ::chdir(dir.c_str()) != 0) {
      ::_exit(127);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) {
    return static_cast<std::uint32_t>(WEXITSTATUS(status));
  }
  return 0x80000000u | static_cast<std::uint32_t>(WTERMSIG(status));
}

void ShellStart(const std::string&, const std::string&, const std::string&) {
  // The host has no shell association to fall back on; the program only needs this on Windows.
}

}  // namespace platform
