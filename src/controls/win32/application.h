#pragma once
// The application object: its title, its own hidden top-level window (which carries the task-bar
// button, and owns the main window), minimising and restoring the whole program, the message loop,
// and the default error box for exceptions that no handler catches.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/form_activation.h"
#include "platform/win32/message_handler.h"
#include "controls/win32/win_handles.h"

namespace controls::win32 {

inline constexpr char kApplicationWindowClass[] = "TApplication";
inline constexpr char kApplicationIconResource[] = "MAINICON";

class Application final : public MessageHandler, public ExceptionSink {
 public:
  Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  ~Application();

  // The window that stands for the application in the task bar; owner of the main window.
  [[nodiscard]] HWND Handle() const { return window_.Get(); }

  [[nodiscard]] const std::string& Title() const { return title_; }
  void SetTitle(std::string title);

  // Whether restoring the application shows the main window; off until the start-up sequence ends.
  [[nodiscard]] bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool show) { showMainForm_ = show; }

  [[nodiscard]] HWND MainForm() const { return mainForm_; }
  void SetMainForm(HWND form) { mainForm_ = form; }

  // The application's icon at the large and at the small system size.
  [[nodiscard]] HICON Icon() const { return icon_.Get(); }
  [[nodiscard]] HICON SmallIcon() const { return smallIcon_.Get(); }

  // Minimises the whole program (the main window goes out of sight, the application's window becomes
  // iconic) and raises OnMinimize; nothing when already minimised.
  void Minimize();
  // Restores it from iconic, shows the main window when ShowMainForm is set, raises OnRestore.
  void Restore();
  std::function<void()> OnMinimize;
  std::function<void()> OnRestore;

  // Serves messages until Terminate; returns the exit code.
  int Run();
  // A form that is open beside the others (not modal) gets its dialog keys (Tab, Enter, Escape)
  // from Run's loop while it is listed.
  void AddModelessForm(HWND form);
  void RemoveModelessForm(HWND form);
  void Terminate();
  [[nodiscard]] bool Terminated() const { return terminated_; }

  // The default error box: the message by the period rule, caption = Title, stop icon, OK.
  void ShowException(std::string_view message);
  // For use inside a catch block: shows the exception being handled in the default error box.
  void HandleException() noexcept override;

  // Every form of the program reports its activation here (WM_ACTIVATE, not WA_INACTIVE, with the
  // window that lost activation) and its destruction; true when activation passed to `form` straight
  // from another form of the program, which is when a form's activation handler runs.
  bool FormActivated(HWND form, HWND previous);
  void FormDestroyed(HWND form);

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnSysCommand(WPARAM command);
  void OnSetFocus();
  bool IsModelessFormMessage(MSG& message);

  std::string title_;
  bool showMainForm_ = true;
  bool terminated_ = false;
  HWND mainForm_ = nullptr;
  std::vector<HWND> modelessForms_;
  UniqueIcon icon_;
  UniqueIcon smallIcon_;
  FormActivation activation_;
  UniqueHandlerWindow window_;
};

}  // namespace controls::win32
