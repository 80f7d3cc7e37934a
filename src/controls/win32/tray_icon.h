#pragma once
// `TTrayIcon`: the program's icon in the notification area. It restores the application on a left
// double-click, opens its popup menu on a right-button release, hides the task-bar button while the
// application is minimised, shows balloon messages, comes back when the shell restarts, and removes
// its icon at log-off and when it goes. An add that the shell refuses (a notification area that is
// not ready yet, at a start with Windows) is tried again on the shell's "TaskbarCreated" and on a
// few timed retries (AddRetryPlan).
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/tray_add_retry.h"
#include "controls/tray_mouse.h"
#include "controls/tray_record.h"
#include "controls/win32/application.h"
#include "platform/win32/message_handler.h"
#include "controls/win32/popup_menu.h"
#include "controls/win32/win_handles.h"
#include "controls/win32/window_timer.h"

namespace controls::win32 {

inline constexpr char kTrayIconWindowClass[] = "TTrayIconWindow";

class TTrayIcon final : public MessageHandler {
 public:
  // owner: the form whose window comes to the front for the popup menu and receives its commands.
  TTrayIcon(Application& application, HWND owner);
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;
  ~TTrayIcon();

  // After the owner has made its settings: takes the icon image and adds the icon when Enabled.
  void Loaded();

  // Wanted and not refused by the shell: while the shell refuses the icon, minimising keeps the
  // task-bar entry, so that the operator is never left without a way back to the program.
  [[nodiscard]] bool Enabled() const { return wanted_ && !refused_; }
  void SetEnabled(bool enabled);
  // When a refused add is tried again; set before Loaded.
  TrayAddRetryPlan AddRetryPlan;
  // A timed retry is waiting (its timer exists only then).
  [[nodiscard]] bool AddRetryPending() const { return retryStartMs_ != 0; }
  bool HideOnMinimize = true;
  TTrayIconClicks RestoreOn = TTrayIconClicks::ticLeftDblClick;
  TTrayIconClicks PopupMenuOn = TTrayIconClicks::ticRightClickUp;
  TPopupMenu* PopupMenu = nullptr;  // not owned

  [[nodiscard]] const std::string& Hint() const { return record_.Hint(); }
  void SetHint(std::string_view hint) { record_.SetHint(hint); }

  // Images for the icon and its animation; without them the icon is the application's.
  void SetIcons(std::vector<UniqueIcon> icons);
  [[nodiscard]] int IconIndex() const { return iconIndex_; }
  void SetIconIndex(int index);
  // What was asked; the timer itself runs only while there are two images or more to go through.
  [[nodiscard]] bool Animate() const { return animate_; }
  void SetAnimate(bool animate);
  [[nodiscard]] UINT Interval() const { return animationTimer_.Interval(); }
  void SetInterval(UINT milliseconds) { animationTimer_.SetInterval(milliseconds); }

  void MinimizeApp();
  void RestoreApp();
  void ShowBalloonHint(std::string_view title, std::string_view text, TBalloonIconKind kind, std::uint8_t seconds);
  void HideBalloonHint() { record_.HideBalloonHint(); }

  std::function<void()> OnMinimizeApp;
  std::function<void()> OnRestoreApp;
  std::function<void()> OnLButtonDown;
  std::function<void()> OnLButtonUp;
  std::function<void()> OnLButtonDblClick;
  std::function<void()> OnRButtonDown;
  std::function<void()> OnRButtonUp;
  std::function<void()> OnRButtonDblClick;
  std::function<void()> OnBalloonHintHide;
  std::function<void()> OnBalloonHintClose;
  std::function<void()> OnBalloonHintClick;
  std::function<void()> OnEndSession;
  std::function<void(bool& mayEnd)> OnQueryEndSession;

  // The shell's Shell_NotifyIconA; tests put a recorder in front of it.
  std::function<bool(DWORD action, NOTIFYICONDATAA& data)> ShellNotifyIcon;

  // The hidden window and identifier that name the icon to the shell.
  [[nodiscard]] HWND Handle() const { return window_.Get(); }
  [[nodiscard]] UINT Id() const { return id_; }
  [[nodiscard]] TrayLayout Layout() const { return record_.Layout(); }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void HandleException() noexcept override { application_.HandleException(); }

 private:
  void AddIcon();
  void StartAddRetries();
  void ScheduleAddRetry();
  void StopAddRetries();
  void OnAddRetryTick();
  void UpdateAnimationTimer();
  void ModifyIcon(const TrayRecordFields& fields);
  void RemoveIcon();
  bool Notify(DWORD action, const TrayRecordFields& fields);
  void RouteApplicationNotifications();
  [[nodiscard]] HICON CurrentImage() const;

  void OnTrayCallback(LPARAM notification);
  void OnTaskbarCreated();
  LRESULT OnQueryEndSessionMessage();
  void OnEndSessionMessage(bool ending);
  void OnAnimationTick();
  void PopupAtCursor();
  void Raise(const std::function<void()>& event) const;
  void RaiseEvent(TrayEvent event) const;

  Application& application_;
  HWND owner_;
  UINT id_;
  UINT taskbarCreatedMessage_;
  UniqueIcon applicationImage_;
  std::vector<UniqueIcon> icons_;
  int iconIndex_ = 0;
  bool wanted_ = true;    // Enabled as the owner set it
  bool refused_ = false;  // the shell refused the last add
  ULONGLONG retryStartMs_ = 0;  // tick count of the refusal that began the pending retries; 0: none
  unsigned retriesDone_ = 0;
  bool animate_ = false;
  bool popupActive_ = false;
  bool minimizing_ = false;
  bool restoring_ = false;
  UniqueHandlerWindow window_;
  WindowTimer animationTimer_;
  TrayNotification record_;
};

}  // namespace controls::win32
