#include <windows.h>

#include <algorithm>

#include "command_line.h"
#include "system.h"

namespace rar_standin {

Invocation CurrentInvocation(int, char**) {
  Invocation invocation;
  const char* line = ::GetCommandLineA();
  invocation.line = line != nullptr ? line : "";
  invocation.items = SplitCommandLine(invocation.line);
  return invocation;
}

std::string ProgramDirectory() {
  std::string path(MAX_PATH, '\0');
  while (true) {
    const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) {
      return ".\\";
    }
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string NameForArchive(const std::string& name, bool& utf8) {
  utf8 = std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (!utf8) {
    return name;
  }
  const int wide = ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), text.data(), wide);
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, out.data(), bytes, nullptr, nullptr);
  return out;
}

void SleepSeconds(unsigned seconds) { ::Sleep(seconds * 1000u); }

void CrashNow() {
  // No "stopped working" box: an unattended caller waiting for the archiver must not hang on it.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  ::ExitProcess(EXCEPTION_ACCESS_VIOLATION);  // not reached
}

}  // namespace rar_standin
