#pragma once
// What the GUI tests need to drive windows the way an automation tool does: start a program, find
// its windows by class, caption and control id, read their text, wait for things to happen.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace gui_test {

inline constexpr DWORD kWaitMs = 10000;

// A path of the build (a POSIX path when cross-built) as a Windows program can open it.
std::string WindowsPath(const std::string& buildPath);

// A program started for a test; terminated when the test leaves it running (a failed check).
class RunningProgram {
 public:
  explicit RunningProgram(const std::string& buildPath, const std::string& arguments = "");
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram();

  [[nodiscard]] bool Started() const { return process_ != nullptr; }
  [[nodiscard]] DWORD ProcessId() const { return processId_; }
  [[nodiscard]] bool Running() const;
  bool WaitForExit(DWORD timeoutMs) const;
  [[nodiscard]] DWORD ExitCode() const;

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
};

// A top-level window of the process with this class (and caption, when given); nullptr when none.
HWND FindProcessWindow(DWORD processId, const char* className, const char* caption = nullptr,
                       bool visibleOnly = false);
HWND WaitForProcessWindow(DWORD processId, const char* className, const char* caption = nullptr,
                          bool visibleOnly = false, DWORD timeoutMs = kWaitMs);
// Any visible top-level window of the process.
bool HasVisibleWindow(DWORD processId);

// The text of a window of any process, through WM_GETTEXT.
std::string WindowText(HWND window);
std::string ClassName(HWND window);

// Whether the shell knows an icon of this window and identifier (a modification that changes nothing).
bool IconKnownToShell(HWND trayWindow, UINT id);

// Polls until the condition holds; serves this thread's messages meanwhile.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs);
// Serves this thread's messages for a while.
void PumpMessages(DWORD milliseconds);
// Gives the window's thread time to handle what was posted to it, then a sent message round trip.
void LetHandle(HWND window);

// Registers (once) a plain window class with the dialog-face background, for test forms that only host controls.
void RegisterPlainFormClass(const char* className);

// Whether windows can be shown here: on Windows always, under Wine only with an X display.
bool DisplayAvailable();

}  // namespace gui_test
