#pragma once
// Starts a program built from the main window's code and finds its windows the way an automation
// tool would: by class, caption and control id.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/driver.h"

namespace gui_test {

inline constexpr char kTitle[] = "QEL 26.1 Dumpwarden";
// The program makes one tray icon, the first of its process.
inline constexpr UINT kProgramTrayIconId = 1;

class ProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  // Starts the program and waits until its main window, tray window and icon exist.
  void Start(const char* buildPath, const std::string& arguments = "");

  // A control of the panel by its id (a second id looks inside a nested panel).
  [[nodiscard]] HWND Control(int id, int innerId = 0) const;
  void PostTrayMouse(UINT mouseMessage) const;
  [[nodiscard]] bool ApplicationMinimised() const { return ::IsIconic(application) != FALSE; }

  std::unique_ptr<RunningProgram> program;
  DWORD pid = 0;
  HWND form = nullptr;         // TForm1
  HWND application = nullptr;  // the application's task-bar window
  HWND tray = nullptr;         // the tray icon's hidden window
};

}  // namespace gui_test
