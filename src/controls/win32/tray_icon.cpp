#include "controls/win32/tray_icon.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace controls::win32 {
namespace {

constexpr UINT_PTR kAnimationTimerId = 1;
constexpr UINT_PTR kAddRetryTimerId = 2;
constexpr UINT kDefaultAnimationInterval = 1000;

// The record sizes the layouts are built on are the platform's own.
static_assert(TrayRecordSize(TrayLayout::kVersion1, sizeof(void*)) == NOTIFYICONDATAA_V1_SIZE);
static_assert(TrayRecordSize(TrayLayout::kVersion5, sizeof(void*)) == NOTIFYICONDATAA_V2_SIZE);
#if !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88 && NOTIFYICONDATAA_V2_SIZE == 488);
#endif

// The shell library's major version; 0 when the library or its version function is missing.
unsigned ShellMajorVersion() {
  HMODULE shell = ::GetModuleHandleA("shell32.dll");
  if (shell == nullptr) {
    return 0;
  }
  auto* const proc = reinterpret_cast<void*>(::GetProcAddress(shell, "DllGetVersion"));
  if (proc == nullptr) {
    return 0;
  }
  DLLVERSIONINFO info{};
  info.cbSize = sizeof info;
  if (FAILED(reinterpret_cast<DLLGETVERSIONPROC>(proc)(&info))) {
    return 0;
  }
  return info.dwMajorVersion;
}

UINT NextTrayIconId() {
  static UINT next = 0;
  return ++next;
}

template <std::size_t N>
void CopyText(char (&target)[N], const std::string& text) {
  const std::size_t length = text.size() < N ? text.size() : N - 1;
  std::memcpy(target, text.data(), length);
  target[length] = '\0';
}

// Sets a flag for one scope, also when the scope is left by an exception.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;
  ~FlagScope() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

TTrayIcon::TTrayIcon(Application& application, HWND owner)
    : ShellNotifyIcon(
          [](DWORD action, NOTIFYICONDATAA& data) { return ::Shell_NotifyIconA(action, &data) != FALSE; }),
      application_(application),
      owner_(owner),
      id_(NextTrayIconId()),
      taskbarCreatedMessage_(::RegisterWindowMessageA("TaskbarCreated")),
      applicationImage_(::CopyIcon(application.SmallIcon())),
      window_([this] {
        RegisterHandlerClass(kTrayIconWindowClass, nullptr, nullptr);
        // Top-level (not message-only), so that the shell's broadcasts and the session-end queries reach it.
        return CreateHandlerWindow(*this, kTrayIconWindowClass, "", WS_POPUP, 0, WindowPlacement{}, nullptr);
      }()),
      animationTimer_(window_.Get(), kAnimationTimerId, kDefaultAnimationInterval),
      record_(ChooseTrayLayout(ShellMajorVersion()), [this](const TrayRecordFields& fields) { ModifyIcon(fields); }) {
  RouteApplicationNotifications();
  record_.Modify();
}

TTrayIcon::~TTrayIcon() {
  StopAddRetries();
  RemoveIcon();
  application_.OnMinimize = nullptr;
  application_.OnRestore = nullptr;
}

void TTrayIcon::Loaded() {
  if (wanted_) {
    AddIcon();
  }
  record_.Modify();
}

void TTrayIcon::SetEnabled(bool enabled) {
  if (enabled) {
    if (!Enabled()) {
      wanted_ = true;
      AddIcon();
    }
    return;
  }
  if (!wanted_) {
    return;
  }
  const bool shown = !refused_;
  wanted_ = false;
  refused_ = false;
  StopAddRetries();
  if (shown) {
    RemoveIcon();
  }
}

void TTrayIcon::SetIcons(std::vector<UniqueIcon> icons) {
  icons_ = std::move(icons);
  if (iconIndex_ >= static_cast<int>(icons_.size())) {
    iconIndex_ = 0;  // an animation must not run past the new, shorter list
  }
  UpdateAnimationTimer();
  record_.Modify();
}

void TTrayIcon::SetAnimate(bool animate) {
  animate_ = animate;
  UpdateAnimationTimer();
}

void TTrayIcon::UpdateAnimationTimer() { animationTimer_.SetEnabled(animate_ && icons_.size() >= 2); }

void TTrayIcon::SetIconIndex(int index) {
  iconIndex_ = index;
  record_.Modify();
}

HICON TTrayIcon::CurrentImage() const {
  if (iconIndex_ >= 0 && static_cast<std::size_t>(iconIndex_) < icons_.size()) {
    return icons_[static_cast<std::size_t>(iconIndex_)].Get();
  }
  return applicationImage_.Get();
}

void TTrayIcon::MinimizeApp() {
  FlagScope minimizing(minimizing_);
  application_.Minimize();
  if (Enabled() && HideOnMinimize) {
    ::ShowWindow(application_.Handle(), SW_HIDE);
  }
  Raise(OnMinimizeApp);
}

void TTrayIcon::RestoreApp() {
  if (popupActive_) {
    return;
  }
  FlagScope restoring(restoring_);
  application_.Restore();
  if (Enabled()) {
    ::ShowWindow(application_.Handle(), SW_RESTORE);
    ::SetForegroundWindow(application_.Handle());
  }
  Raise(OnRestoreApp);
}

void TTrayIcon::ShowBalloonHint(std::string_view title, std::string_view text, TBalloonIconKind kind,
                                std::uint8_t seconds) {
  record_.ShowBalloonHint(title, text, kind, seconds);
}

bool TTrayIcon::Notify(DWORD action, const TrayRecordFields& fields) {
  NOTIFYICONDATAA data{};
  data.cbSize = static_cast<DWORD>(TrayRecordSize(record_.Layout(), sizeof(void*)));
  data.hWnd = window_.Get();
  data.uID = id_;
  data.uFlags = fields.flags;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = CurrentImage();
  CopyText(data.szTip, fields.tip);
  // Beyond cbSize the shell reads nothing, so the first layout simply leaves these unread.
  CopyText(data.szInfo, fields.info);
  CopyText(data.szInfoTitle, fields.infoTitle);
  data.uTimeout = fields.timeoutMs;
  data.dwInfoFlags = fields.infoFlags;
  return ShellNotifyIcon && ShellNotifyIcon(action, data);
}

void TTrayIcon::AddIcon() {
  if (!wanted_) {
    return;
  }
  // An add that timed out may still have reached the shell, which then refuses a second add of the
  // same icon: an icon that can be modified is there.
  refused_ = !Notify(NIM_ADD, record_.Fields()) && !Notify(NIM_MODIFY, record_.Fields());
  if (refused_) {
    StartAddRetries();
  } else {
    StopAddRetries();
  }
  RouteApplicationNotifications();
}

void TTrayIcon::StartAddRetries() {
  if (AddRetryPending()) {
    return;  // the running series goes on, to its own give-up time
  }
  retryStartMs_ = std::max<ULONGLONG>(::GetTickCount64(), 1);
  retriesDone_ = 0;
  ScheduleAddRetry();
}

void TTrayIcon::ScheduleAddRetry() {
  const std::optional<std::uint32_t> delay = AddRetryPlan.NextDelay(retriesDone_, ::GetTickCount64() - retryStartMs_);
  if (!delay || ::SetTimer(window_.Get(), kAddRetryTimerId, std::max<UINT>(*delay, USER_TIMER_MINIMUM), nullptr) == 0) {
    StopAddRetries();  // given up: from here only "TaskbarCreated" or SetEnabled brings the icon
  }
}

void TTrayIcon::StopAddRetries() {
  if (AddRetryPending()) {
    ::KillTimer(window_.Get(), kAddRetryTimerId);
    retryStartMs_ = 0;
  }
}

void TTrayIcon::OnAddRetryTick() {
  // One shot per wait: the next wait is longer.
  ::KillTimer(window_.Get(), kAddRetryTimerId);
  if (!AddRetryPending() || !wanted_ || !refused_) {
    StopAddRetries();
    return;
  }
  ++retriesDone_;
  refused_ = !Notify(NIM_ADD, record_.Fields()) && !Notify(NIM_MODIFY, record_.Fields());
  if (refused_) {
    ScheduleAddRetry();
  } else {
    StopAddRetries();
  }
}

void TTrayIcon::ModifyIcon(const TrayRecordFields& fields) { Notify(NIM_MODIFY, fields); }

void TTrayIcon::RemoveIcon() { Notify(NIM_DELETE, record_.Fields()); }

void TTrayIcon::RouteApplicationNotifications() {
  application_.OnMinimize = [this] {
    // MinimizeApp's own minimise of the application must not come back here.
    if (!minimizing_) {
      MinimizeApp();
    }
  };
  application_.OnRestore = [this] {
    // RestoreApp's own restore of the application must not come back here.
    if (!restoring_) {
      RestoreApp();
    }
  };
}

LRESULT TTrayIcon::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kTrayCallbackMessage) {
    OnTrayCallback(lParam);
    return 0;
  }
  if (message == taskbarCreatedMessage_ && message != 0) {
    OnTaskbarCreated();
    return 0;
  }
  switch (message) {
    case WM_QUERYENDSESSION:
      return OnQueryEndSessionMessage();
    case WM_ENDSESSION:
      OnEndSessionMessage(wParam != FALSE);
      return 0;
    case WM_TIMER:
      if (wParam == kAnimationTimerId) {
        OnAnimationTick();
        return 0;
      }
      if (wParam == kAddRetryTimerId) {
        OnAddRetryTick();
        return 0;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void TTrayIcon::OnTrayCallback(LPARAM notification) {
  const TrayCallbackPlan plan = PlanTrayCallback(static_cast<std::uint32_t>(notification), RestoreOn, PopupMenuOn);
  if (plan.restore) {
    RestoreApp();
  }
  if (plan.popup) {
    PopupAtCursor();
  }
  if (plan.event) {
    RaiseEvent(*plan.event);
  }
}

void TTrayIcon::OnTaskbarCreated() {
  // A new shell has no icons: add it again when wanted, also after refused adds.
  if (!wanted_) {
    return;
  }
  try {
    AddIcon();
  } catch (...) {
    // A shell that refuses the icon again is retried on the timer; nothing to report.
  }
}

LRESULT TTrayIcon::OnQueryEndSessionMessage() {
  bool mayEnd = true;
  if (OnQueryEndSession) {
    OnQueryEndSession(mayEnd);
  }
  return mayEnd ? 1 : 0;
}

void TTrayIcon::OnEndSessionMessage(bool ending) {
  Raise(OnEndSession);
  if (ending) {
    StopAddRetries();
    RemoveIcon();
  }
}

void TTrayIcon::OnAnimationTick() {
  if (icons_.size() < 2) {
    return;
  }
  const int last = static_cast<int>(icons_.size()) - 1;
  iconIndex_ = iconIndex_ >= last ? 0 : iconIndex_ + 1;
  record_.Modify();
}

void TTrayIcon::PopupAtCursor() {
  if (PopupMenu == nullptr) {
    return;
  }
  POINT at{};
  ::GetCursorPos(&at);
  // The menu closes on a click elsewhere only when its owner is the foreground window.
  if (owner_ != nullptr) {
    ::SetForegroundWindow(owner_);
  }
  UINT command = 0;
  {
    FlagScope active(popupActive_);
    command = PopupMenu->Track(owner_ != nullptr ? owner_ : window_.Get(), at);
    ::PostMessageA(window_.Get(), WM_NULL, 0, 0);
  }
  // The chosen item runs after the menu has closed, on the same path as any other menu command.
  if (command != 0) {
    ::PostMessageA(owner_ != nullptr ? owner_ : window_.Get(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  }
}

void TTrayIcon::Raise(const std::function<void()>& event) const {
  if (event) {
    event();
  }
}

void TTrayIcon::RaiseEvent(TrayEvent event) const {
  switch (event) {
    case TrayEvent::kLButtonDown:
      Raise(OnLButtonDown);
      break;
    case TrayEvent::kLButtonUp:
      Raise(OnLButtonUp);
      break;
    case TrayEvent::kLButtonDblClick:
      Raise(OnLButtonDblClick);
      break;
    case TrayEvent::kRButtonDown:
      Raise(OnRButtonDown);
      break;
    case TrayEvent::kRButtonUp:
      Raise(OnRButtonUp);
      break;
    case TrayEvent::kRButtonDblClick:
      Raise(OnRButtonDblClick);
      break;
    case TrayEvent::kBalloonHintHide:
      Raise(OnBalloonHintHide);
      break;
    case TrayEvent::kBalloonHintClose:
      Raise(OnBalloonHintClose);
      break;
    case TrayEvent::kBalloonHintClick:
      Raise(OnBalloonHintClick);
      break;
  }
}

}  // namespace controls::win32
