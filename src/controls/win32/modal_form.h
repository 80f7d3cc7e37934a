#pragma once
// `TModalForm`: the frame every dialog of the program shares. A dialog is data in, data out: its
// caller fills the controls before ShowModal, ShowModal runs the dialog until a button, Enter, Escape
// or the close box ends it, and the caller reads the controls back when it answered Ok.
//
// What the frame does:
// - a fixed dialog border with only a close box, the client area of the given size, centred on the
//   desktop, the form's font (MS Sans Serif, height -11) and its bold variant for labels;
// - keyboard navigation as in a dialog box: Tab and Shift+Tab through the WS_TABSTOP controls in
//   creation order (also into panels passed to AllowTabInto), Enter clicks the default button (or the
//   focused push button), Escape clicks the cancel button; the close box answers Cancel;
// - while it runs, every other visible, enabled window of the thread is disabled (so the main window,
//   the application's window and the owner cannot be used), and the form comes to the front;
// - timers, the alarm clock's ticks and the tray icon's messages go on being served by its loop;
// - afterwards it hides first, enables the windows again, and hands activation back to the window that
//   was active before, so the main window's activation handler runs (it sends the program back to
//   the tray) exactly when activation returns to it from this form;
// - WM_QUIT ends the dialog with Cancel and is posted again for the outer loop;
// - no exception leaves its window procedure: one raised by a handler (a button's OnClick included)
//   goes to the application's default error box, and the dialog goes on; a button's modal result is
//   set before its OnClick runs, so a failing OK handler still closes the dialog with Ok.
//
// Use: derive from TModalForm, create the controls as members (TEdit, TListBox, TButton: each
// registers with the form by its id and owns its window), name the default and cancel buttons in the
// constructor, set the initial focus with SetActiveControl, and override FormCommand for notifications
// of controls that are not TEdit/TListBox/TButton. Example:
//
//   class TMyDialog final : public TModalForm {
//    public:
//     explicit TMyDialog(Application& app)
//         : TModalForm(app, nullptr, {"TMyDialog", "Caption", 282, 142}),
//           Name(*this, Handle(), 10, {4, 20, 265, 21}),
//           Ok(*this, Handle(), IDOK, {63, 108, 75, 25}, "OK", ModalResult::Ok),
//           Cancel(*this, Handle(), IDCANCEL, {143, 108, 75, 25}, "Cancel", ModalResult::Cancel) {
//       SetDefaultButton(Ok);
//       SetCancelButton(Cancel);
//       SetActiveControl(Name.Handle());
//     }
//     TEdit Name;
//     TButton Ok, Cancel;
//   };
//   TMyDialog dialog(app);
//   dialog.Name.SetText(value);                        // data in
//   if (dialog.ShowModal() == ModalResult::Ok) {       // runs it
//     value = dialog.Name.Text();                      // data out
//   }
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "controls/win32/application.h"
#include "controls/win32/win_handles.h"

namespace controls::win32 {

enum class ModalResult { None, Ok, Cancel };

// A control that acts on the WM_COMMAND notifications its window sends to the form.
class CommandTarget {
 public:
  virtual void Command(int notification) = 0;

 protected:
  ~CommandTarget() = default;
};

class TButton;

// What a control needs of the form it sits on.
class ControlHost {
 public:
  virtual void RegisterControl(int id, CommandTarget& target) = 0;
  virtual void UnregisterControl(int id) = 0;
  [[nodiscard]] virtual HFONT Font() const = 0;
  // A button with a modal result other than None ends the dialog with it.
  virtual void SetModalResult(ModalResult result) = 0;
  [[nodiscard]] virtual ExceptionSink& Errors() = 0;

 protected:
  ~ControlHost() = default;
};

struct ModalFormLayout {
  const char* className;  // registered once per process
  std::string caption;
  int clientWidth = 0;
  int clientHeight = 0;
};

class TModalForm : public MessageHandler, public ControlHost {
 public:
  // owner: the window that owns the form (nullptr: none). The form is created hidden.
  TModalForm(Application& application, HWND owner, const ModalFormLayout& layout);
  TModalForm(const TModalForm&) = delete;
  TModalForm& operator=(const TModalForm&) = delete;
  virtual ~TModalForm();

  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  [[nodiscard]] HFONT Font() const override { return font_.Get(); }
  [[nodiscard]] HFONT BoldFont() const { return boldFont_.Get(); }
  [[nodiscard]] Application& App() const { return application_; }

  // Shows the form modally and returns how it ended (Ok or Cancel). May be called again after it returned.
  ModalResult ShowModal();
  [[nodiscard]] bool Showing() const { return running_; }
  [[nodiscard]] ModalResult CurrentModalResult() const { return modalResult_; }
  // Ends a running dialog with `result` once the current message is handled; None keeps it open
  // (an OnClick may call this to refuse a button's result).
  void SetModalResult(ModalResult result) override { modalResult_ = result; }

  void SetDefaultButton(TButton& button);
  void SetCancelButton(TButton& button);
  // The control that gets the focus when the form is shown or activated again.
  void SetActiveControl(HWND control);
  // Makes Tab and the arrow keys go into the children of a panel as into the form's own controls.
  static void AllowTabInto(HWND panel);
  // Brings the form to the front and makes it the active window (also before it is shown: it is then
  // shown in front).
  void BringToFront();

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void HandleException() noexcept override { application_.HandleException(); }
  ExceptionSink& Errors() override { return application_; }

  void RegisterControl(int id, CommandTarget& target) override;
  void UnregisterControl(int id) override;

 protected:
  // Notifications of controls that registered no CommandTarget; the default ignores them.
  virtual void FormCommand(int id, int notification, HWND control);
  // Further messages of the form; return true when handled (result in `result`).
  virtual bool FormMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  void OnCommand(int id, int notification, HWND control);
  void OnActivate(WPARAM wParam, HWND previous);
  [[nodiscard]] LRESULT DefaultId() const;
  void FocusActiveControl();
  void RunLoop();
  void DisableOtherWindows();
  void EnableOtherWindows();

  Application& application_;
  UniqueFont font_;
  UniqueFont boldFont_;
  UniqueHandlerWindow window_;
  std::map<int, CommandTarget*> controls_;
  TButton* defaultButton_ = nullptr;
  TButton* cancelButton_ = nullptr;
  HWND activeControl_ = nullptr;
  ModalResult modalResult_ = ModalResult::None;
  bool running_ = false;
  std::vector<HWND> disabled_;
};

}  // namespace controls::win32
