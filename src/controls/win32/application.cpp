#include "controls/win32/application.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

#include "controls/exception_text.h"

namespace controls::win32 {
namespace {

UniqueIcon LoadApplicationIcon(int systemWidth, int systemHeight) {
  return UniqueIcon(static_cast<HICON>(::LoadImageA(ModuleInstance(), kApplicationIconResource, IMAGE_ICON,
                                                    ::GetSystemMetrics(systemWidth), ::GetSystemMetrics(systemHeight),
                                                    LR_DEFAULTCOLOR)));
}

}  // namespace

Application::Application()
    : icon_(LoadApplicationIcon(SM_CXICON, SM_CYICON)), smallIcon_(LoadApplicationIcon(SM_CXSMICON, SM_CYSMICON)) {
  if (!icon_) {
    // A program built without its resources still runs, with the system's application icon.
    icon_.Reset(::CopyIcon(::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION))));
  }
  if (!smallIcon_) {
    smallIcon_.Reset(::CopyIcon(icon_.Get()));
  }
  RegisterHandlerClass(kApplicationWindowClass, ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), nullptr,
                       icon_.Get());
  // Zero-sized at the centre of the screen, like the caption-only window of a task-bar entry.
  const WindowPlacement centre{::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0};
  window_ = CreateHandlerWindow(*this, kApplicationWindowClass, "",
                                WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, centre,
                                nullptr);
  ::SendMessageA(window_.Get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
  ::SendMessageA(window_.Get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

Application::~Application() = default;

void Application::SetTitle(std::string title) {
  title_ = std::move(title);
  ::SetWindowTextA(window_.Get(), title_.c_str());
}

void Application::Minimize() {
  if (::IsIconic(window_.Get())) {
    return;
  }
  if (mainForm_ != nullptr && ::IsWindowVisible(mainForm_)) {
    ::ShowWindow(mainForm_, SW_HIDE);
  }
  ::ShowWindow(window_.Get(), SW_MINIMIZE);
  if (OnMinimize) {
    OnMinimize();
  }
}

void Application::Restore() {
  if (!::IsIconic(window_.Get())) {
    return;
  }
  ::ShowWindow(window_.Get(), SW_RESTORE);
  if (showMainForm_ && mainForm_ != nullptr && !::IsWindowVisible(mainForm_)) {
    ::ShowWindow(mainForm_, SW_SHOWNORMAL);
  }
  if (OnRestore) {
    OnRestore();
  }
}

int Application::Run() {
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsModelessFormMessage(message)) {
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  terminated_ = true;
  return static_cast<int>(message.wParam);
}

void Application::AddModelessForm(HWND form) {
  if (std::find(modelessForms_.begin(), modelessForms_.end(), form) == modelessForms_.end()) {
    modelessForms_.push_back(form);
  }
}

void Application::RemoveModelessForm(HWND form) {
  modelessForms_.erase(std::remove(modelessForms_.begin(), modelessForms_.end(), form), modelessForms_.end());
}

bool Application::IsModelessFormMessage(MSG& message) {
  // A copy: the message may close a form, which leaves the list meanwhile.
  const std::vector<HWND> forms = modelessForms_;
  for (HWND form : forms) {
    if (::IsWindow(form) && ::IsDialogMessageA(form, &message)) {
      return true;
    }
  }
  return false;
}

void Application::Terminate() {
  terminated_ = true;
  ::PostQuitMessage(0);
}

void Application::ShowException(std::string_view message) {
  HWND owner = ::GetActiveWindow();
  if (owner == nullptr) {
    owner = window_.Get();
  }
  const std::string text = ErrorBoxText(message);
  ::MessageBoxA(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

void Application::HandleException() noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& error) {
      ShowException(error.what());
    } catch (...) {
      ShowException("Unknown error");
    }
  } catch (...) {
    // Not even the box could be shown (out of memory): the program goes on regardless.
  }
}

bool Application::FormActivated(HWND form, HWND previous) {
  return activation_.Activated(reinterpret_cast<FormActivation::FormId>(form),
                               reinterpret_cast<FormActivation::FormId>(previous));
}

void Application::FormDestroyed(HWND form) { activation_.Destroyed(reinterpret_cast<FormActivation::FormId>(form)); }

LRESULT Application::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE || (wParam & 0xFFF0) == SC_RESTORE || (wParam & 0xFFF0) == SC_CLOSE) {
        OnSysCommand(wParam & 0xFFF0);
        return 0;
      }
      break;
    case WM_CLOSE:
      // Closing the task-bar entry is a request to close the main window, which decides.
      if (mainForm_ != nullptr) {
        ::SendMessageA(mainForm_, WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void Application::OnSysCommand(WPARAM command) {
  if (command == SC_MINIMIZE) {
    Minimize();
  } else if (command == SC_RESTORE) {
    Restore();
  } else if (mainForm_ != nullptr) {
    ::SendMessageA(mainForm_, WM_CLOSE, 0, 0);
  }
}

void Application::OnSetFocus() {
  // The application's window is only the task-bar entry: activation belongs to the form last active.
  auto target = reinterpret_cast<HWND>(activation_.ActiveForm());
  if (target == nullptr || !::IsWindow(target) || !::IsWindowVisible(target) || !::IsWindowEnabled(target)) {
    target = mainForm_;
  }
  if (target != nullptr && ::IsWindowVisible(target) && ::IsWindowEnabled(target)) {
    ::SetFocus(target);
  }
}

}  // namespace controls::win32
