#include "controls/win32/modal_form.h"

#include <stdexcept>

#include "controls/win32/form_font.h"
#include "controls/win32/push_button.h"

namespace controls::win32 {
namespace {

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

WindowPlacement CentredPlacement(const ModalFormLayout& layout) {
  RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
  ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  return WindowPlacement{(::GetSystemMetrics(SM_CXSCREEN) - width) / 2, (::GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                         width, height};
}

struct DisableContext {
  HWND form;
  std::vector<HWND>* disabled;
};

BOOL CALLBACK DisableIfUsable(HWND window, LPARAM context) {
  auto* c = reinterpret_cast<DisableContext*>(context);
  if (window != c->form && ::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
    c->disabled->push_back(window);
    ::EnableWindow(window, FALSE);
  }
  return TRUE;
}

}  // namespace

TModalForm::TModalForm(Application& application, HWND owner, const ModalFormLayout& layout)
    : application_(application), font_(MakeFormFont(FW_NORMAL)), boldFont_(MakeFormFont(FW_BOLD)) {
  RegisterHandlerClass(layout.className, ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)),
                       ::GetSysColorBrush(COLOR_BTNFACE));
  window_ = CreateHandlerWindow(*this, layout.className, layout.caption.c_str(), kFormStyle, kFormExStyle,
                                CentredPlacement(layout), owner);
  ::SendMessageA(window_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
}

TModalForm::~TModalForm() {
  EnableOtherWindows();  // only when a handler destroyed a running form
  application_.FormDestroyed(window_.Get());
}

void TModalForm::SetDefaultButton(TButton& button) {
  if (defaultButton_ != nullptr) {
    defaultButton_->SetDefault(false);
  }
  defaultButton_ = &button;
  button.SetDefault(true);
}

void TModalForm::SetCancelButton(TButton& button) { cancelButton_ = &button; }

void TModalForm::SetActiveControl(HWND control) {
  activeControl_ = control;
  if (running_ && ::GetActiveWindow() == window_.Get()) {
    FocusActiveControl();
  }
}

void TModalForm::AllowTabInto(HWND panel) {
  ::SetWindowLongPtrA(panel, GWL_EXSTYLE, ::GetWindowLongPtrA(panel, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
}

void TModalForm::BringToFront() {
  ::SetWindowPos(window_.Get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (::IsWindowVisible(window_.Get())) {
    ::SetForegroundWindow(window_.Get());
    ::SetActiveWindow(window_.Get());
  }
}

ModalResult TModalForm::ShowModal() {
  if (running_) {
    throw std::logic_error("Cannot make a visible window modal");
  }
  HWND previousActive = ::GetActiveWindow();
  modalResult_ = ModalResult::None;
  DisableOtherWindows();
  running_ = true;
  ::ShowWindow(window_.Get(), SW_SHOWNORMAL);
  BringToFront();
  FocusActiveControl();
  RunLoop();
  running_ = false;
  const ModalResult result = modalResult_;
  EnableOtherWindows();
  // Activation goes straight back from this form, while it is still visible, to the window that had
  // it: that is what tells the main window that a dialog of the program closed over it.
  if (previousActive != nullptr && previousActive != window_.Get() && ::IsWindow(previousActive) &&
      ::IsWindowVisible(previousActive)) {
    ::SetActiveWindow(previousActive);
  }
  ::ShowWindow(window_.Get(), SW_HIDE);
  return result;
}

void TModalForm::RunLoop() {
  MSG message{};
  while (modalResult_ == ModalResult::None) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: the dialog answers Cancel and the outer loop gets its WM_QUIT back.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      modalResult_ = ModalResult::Cancel;
      break;
    }
    if (got < 0) {
      modalResult_ = ModalResult::Cancel;
      break;
    }
    if (!::IsDialogMessageA(window_.Get(), &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
}

void TModalForm::DisableOtherWindows() {
  DisableContext context{window_.Get(), &disabled_};
  ::EnumThreadWindows(::GetCurrentThreadId(), DisableIfUsable, reinterpret_cast<LPARAM>(&context));
}

void TModalForm::EnableOtherWindows() {
  for (HWND window : disabled_) {
    if (::IsWindow(window)) {
      ::EnableWindow(window, TRUE);
    }
  }
  disabled_.clear();
}

void TModalForm::FocusActiveControl() {
  HWND target = activeControl_;
  if (target == nullptr || !::IsWindow(target) || !::IsWindowVisible(target) || !::IsWindowEnabled(target)) {
    target = ::GetNextDlgTabItem(window_.Get(), nullptr, FALSE);
  }
  if (target != nullptr) {
    ::SetFocus(target);
  }
}

void TModalForm::RegisterControl(int id, CommandTarget& target) { controls_[id] = &target; }

void TModalForm::UnregisterControl(int id) { controls_.erase(id); }

LRESULT TModalForm::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case DM_GETDEFID:
      return DefaultId();
    case WM_CLOSE:
      modalResult_ = ModalResult::Cancel;  // the close box, Alt+F4
      return 0;
    case WM_ACTIVATE:
      OnActivate(wParam, reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
      break;
  }
  LRESULT result = 0;
  if (FormMessage(message, wParam, lParam, result)) {
    return result;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void TModalForm::OnCommand(int id, int notification, HWND control) {
  const auto found = controls_.find(id);
  if (found != controls_.end()) {
    found->second->Command(notification);
    return;
  }
  // Enter and Escape arrive as IDOK and IDCANCEL when the buttons carry other ids.
  if (id == IDOK && defaultButton_ != nullptr) {
    defaultButton_->Click();
  } else if (id == IDCANCEL) {
    if (cancelButton_ != nullptr) {
      cancelButton_->Click();
    } else {
      modalResult_ = ModalResult::Cancel;
    }
  } else {
    FormCommand(id, notification, control);
  }
}

LRESULT TModalForm::DefaultId() const {
  // A focused push button is the one Enter clicks, as in a dialog box; the window system only knows
  // that for windows of the dialog class, so the form says it itself.
  HWND focus = ::GetFocus();
  if (focus != nullptr && ::IsChild(window_.Get(), focus) &&
      (::SendMessageA(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
    return MAKELRESULT(::GetDlgCtrlID(focus), DC_HASDEFID);
  }
  return defaultButton_ != nullptr ? MAKELRESULT(defaultButton_->Id(), DC_HASDEFID) : 0;
}

void TModalForm::OnActivate(WPARAM wParam, HWND previous) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(window_.Get(), focus)) {
      activeControl_ = focus;  // back there when the form is active again
    }
    return;
  }
  application_.FormActivated(window_.Get(), previous);
  FocusActiveControl();
}

void TModalForm::FormCommand(int, int, HWND) {}

bool TModalForm::FormMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

}  // namespace controls::win32
