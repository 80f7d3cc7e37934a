#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/win32/unique_handle.h"

namespace platform {

std::optional<std::uint32_t> StartProcessAndWait(const std::string& commandLine, const std::string& workingDir) {
  // CreateProcessA may write into the command line, so it gets its own buffer.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &info)) {
    return std::nullopt;
  }
  win32::UniqueHandle process(info.hProcess);
  win32::UniqueHandle thread(info.hThread);
  ::WaitForSingleObject(process.Get(), INFINITE);
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(process.Get(), &exitCode)) {
    exitCode = 0xFFFFFFFFu;  // ended, but how is unknown: never report that as success
  }
  return static_cast<std::uint32_t>(exitCode);
}

void ShellStart(const std::string& file, const std::string& parameters, const std::string& workingDir) {
  ::ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), workingDir.c_str(), SW_HIDE);
}

}  // namespace platform
