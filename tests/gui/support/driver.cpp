#include "support/driver.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <shellapi.h>

namespace gui_test {

std::string WindowsPath(const std::string& buildPath) {
  if (buildPath.empty() || buildPath[0] != '/') {
    return buildPath;
  }
  // Wine maps the POSIX root to drive Z:.
  std::string path = "Z:" + buildPath;
  for (char& c : path) {
    if (c == '/') {
      c = '\\';
    }
  }
  return path;
}

RunningProgram::RunningProgram(const std::string& buildPath, const std::string& arguments) {
  const std::string program = WindowsPath(buildPath);
  std::string commandLine = "\"" + program + "\"";
  if (!arguments.empty()) {
    commandLine += " " + arguments;
  }
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (::CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    ::WaitForInputIdle(process_, kWaitMs);
  }
}

RunningProgram::~RunningProgram() {
  if (process_ == nullptr) {
    return;
  }
  if (Running()) {
    ::TerminateProcess(process_, 99);
    ::WaitForSingleObject(process_, kWaitMs);
  }
  ::CloseHandle(process_);
}

bool RunningProgram::Running() const { return process_ != nullptr && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool RunningProgram::WaitForExit(DWORD timeoutMs) const {
  return process_ != nullptr && ::WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD RunningProgram::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  ::GetExitCodeProcess(process_, &code);
  return code;
}

namespace {

struct WindowQuery {
  DWORD processId;
  const char* className;
  const char* caption;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* query = reinterpret_cast<WindowQuery*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != query->processId) {
    return TRUE;
  }
  if (query->visibleOnly && !::IsWindowVisible(window)) {
    return TRUE;
  }
  if (query->className != nullptr && ClassName(window) != query->className) {
    return TRUE;
  }
  if (query->caption != nullptr && WindowText(window) != query->caption) {
    return TRUE;
  }
  query->found = window;
  return FALSE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const char* className, const char* caption, bool visibleOnly) {
  WindowQuery query{processId, className, caption, visibleOnly, nullptr};
  ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND WaitForProcessWindow(DWORD processId, const char* className, const char* caption, bool visibleOnly,
                          DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindProcessWindow(processId, className, caption, visibleOnly)) != nullptr; },
            timeoutMs);
  return found;
}

bool HasVisibleWindow(DWORD processId) { return FindProcessWindow(processId, nullptr, nullptr, true) != nullptr; }

std::string WindowText(HWND window) {
  std::vector<char> buffer(1024);
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, kWaitMs, &copied)) {
    return {};
  }
  return std::string(buffer.data(), std::strlen(buffer.data()));
}

std::string ClassName(HWND window) {
  char name[256] = {};
  const int length = ::GetClassNameA(window, name, static_cast<int>(sizeof name));
  return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool IconKnownToShell(HWND trayWindow, UINT id) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = trayWindow;
  data.uID = id;
  data.uFlags = 0;
  return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (::GetTickCount64() >= deadline) {
      return false;
    }
    PumpMessages(20);
  }
}

void PumpMessages(DWORD milliseconds) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  do {
    MSG message{};
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (::GetTickCount64() < deadline);
}

void RegisterPlainFormClass(const char* className) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = ::DefWindowProcA;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = className;
  ::RegisterClassExA(&windowClass);  // a second registration fails harmlessly
}

void LetHandle(HWND window) {
  // Sent messages overtake posted ones, so the round trip alone would not wait for them.
  PumpMessages(300);
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &ignored);
}

bool DisplayAvailable() {
  // Wine's programs see the POSIX environment; a real Windows desktop needs no display variable.
  const bool underWine = ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  const char* display = std::getenv("DISPLAY");
  return !underWine || (display != nullptr && display[0] != '\0');
}

}  // namespace gui_test
