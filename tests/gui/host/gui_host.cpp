// A test program built from the same window code as dumpwarden.exe, for what the real program must
// not offer: commands that throw, and the state the start-up sequence leaves behind after a successful
// connection (which needs a database). The real program takes no arguments; this one reads words
// from its command line:
//   throwing   adds the tray-menu commands 290 (throws "Disk is full") and 291 (throws "Stopped!")
//   connected  enables every command, turns ShowMainForm on and minimises to the tray, as the
//              start-up sequence ends after a successful connection
//   startup    keeps the start-up timer (without it the host never runs the start-up sequence, so
//              no connection dialog comes up in tests of other things)
//   balloons   shows the title and text of every balloon, as "title|text", as the caption of a hidden
//              window of class "DwBalloonLog" (the shell's balloon cannot be read from outside), and
//              appends each as a line to balloons.log beside the program
//   show       turns ShowMainForm on and restores the application from the tray, which shows the
//              panel (the mouse is moved to the screen's corner first, so that no button is hot and no
//              hint shows in a screenshot); without "connected" the panel shows its disabled commands
//   settings   opens the backup settings dialog as "Set time..." does
//   history    opens the history window as "History..." does
#include <windows.h>

#include <cstdio>
#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "controls/win32/application.h"
#include "app/win32/main_window.h"
#include "host_commands.h"

namespace {

bool HasWord(const std::string& commandLine, const char* word) {
  return commandLine.find(word) != std::string::npos;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  const std::string words = commandLine != nullptr ? commandLine : "";

  controls::win32::Application application;
  application.SetShowMainForm(false);
  application.SetTitle(app::win32::kProgramTitle);
  app::win32::TForm1 form(application);
  application.SetMainForm(form.Handle());
  form.Hide();
  if (!HasWord(words, "startup")) {
    form.Timer1.SetEnabled(false);
  }

  HWND balloonLog = nullptr;
  if (HasWord(words, "balloons")) {
    gui_test::RegisterBalloonLogClass();
    balloonLog = ::CreateWindowExA(0, gui_test::kBalloonLogClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    form.TrayIcon1.ShellNotifyIcon = [balloonLog](DWORD action, NOTIFYICONDATAA& data) {
      if ((data.uFlags & NIF_INFO) != 0 && data.szInfo[0] != '\0') {
        const std::string entry = std::string(data.szInfoTitle) + "|" + data.szInfo;
        ::SetWindowTextA(balloonLog, entry.c_str());
        // Every balloon also as a line of balloons.log beside the program: one shown just before a
        // run blocks the program is read afterwards.
        char exe[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string path = exe;
        path = path.substr(0, path.find_last_of('\\') + 1) + "balloons.log";
        if (FILE* file = std::fopen(path.c_str(), "ab")) {
          std::fputs((entry + "\r\n").c_str(), file);
          std::fclose(file);
        }
      }
      return ::Shell_NotifyIconA(action, &data) != FALSE;
    };
  }

  if (HasWord(words, "throwing")) {
    form.PopupMenu1.AddSeparator();
    form.PopupMenu1.AddItem(gui_test::kThrowDiskFullCommand, "Throw", true).OnClick = [] {
      throw std::runtime_error("Disk is full");
    };
    form.PopupMenu1.AddItem(gui_test::kThrowStoppedCommand, "Throw again", true).OnClick = [] {
      throw std::runtime_error("Stopped!");
    };
  }
  if (HasWord(words, "connected")) {
    form.EnableCommands();
    application.SetShowMainForm(true);
    form.TrayIcon1.MinimizeApp();
  }
  if (HasWord(words, "show")) {
    application.SetShowMainForm(true);
    form.TrayIcon1.MinimizeApp();
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    form.TrayIcon1.RestoreApp();
  }
  if (HasWord(words, "settings")) {
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    ::PostMessageA(form.Handle(), WM_COMMAND, app::win32::kSettimeMCommand, 0);
  }
  if (HasWord(words, "history")) {
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    ::PostMessageA(form.Handle(), WM_COMMAND, app::win32::kHistoryMCommand, 0);
  }
  const int exitCode = application.Run();
  if (balloonLog != nullptr) {
    ::DestroyWindow(balloonLog);
  }
  return exitCode;
}
