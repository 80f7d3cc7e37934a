#include "support/program_fixture.h"

#include "controls/tray_record.h"
#include "app/win32/main_form_ids.h"

namespace gui_test {

void ProgramFixture::SetUp() {
  if (!DisplayAvailable()) {
    GTEST_SKIP() << "windows need a display (DISPLAY under Wine)";
  }
}

void ProgramFixture::Start(const char* buildPath, const std::string& arguments) {
  program = std::make_unique<RunningProgram>(buildPath, arguments);
  ASSERT_TRUE(program->Started()) << "cannot start " << buildPath;
  pid = program->ProcessId();
  form = WaitForProcessWindow(pid, "TForm1", kTitle);
  ASSERT_NE(form, nullptr) << "no main window";
  tray = WaitForProcessWindow(pid, "TTrayIconWindow");
  ASSERT_NE(tray, nullptr) << "no tray window";
  application = FindProcessWindow(pid, "TApplication", kTitle);
  ASSERT_NE(application, nullptr) << "no application window";
  ASSERT_TRUE(WaitUntil([&] { return IconKnownToShell(tray, kProgramTrayIconId); })) << "no icon in the tray";
}

HWND ProgramFixture::Control(int id, int innerId) const {
  HWND panel = ::GetDlgItem(form, app::win32::kPanel1Id);
  HWND control = ::GetDlgItem(panel, id);
  return innerId != 0 ? ::GetDlgItem(control, innerId) : control;
}

void ProgramFixture::PostTrayMouse(UINT mouseMessage) const {
  ::PostMessageA(tray, controls::kTrayCallbackMessage, kProgramTrayIconId, mouseMessage);
}

}  // namespace gui_test
