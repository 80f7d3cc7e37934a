// The program's entry: the application object, the hidden main window, the message loop.
// The program takes no command-line arguments and reads no environment variables.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "controls/exception_text.h"
#include "controls/win32/application.h"
#include "app/win32/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  try {
    controls::win32::Application application;
    application.SetShowMainForm(false);
    application.SetTitle(app::win32::kProgramTitle);
    app::win32::TForm1 form(application);
    application.SetMainForm(form.Handle());
    form.Hide();
    return application.Run();
  } catch (const std::exception& error) {
    // Only the creation of the windows can get here: nothing to go on with.
    ::MessageBoxA(nullptr, controls::ErrorBoxText(error.what()).c_str(), app::win32::kProgramTitle, MB_OK | MB_ICONSTOP);
    return 1;
  }
}
