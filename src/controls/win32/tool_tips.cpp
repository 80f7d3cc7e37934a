#include "controls/win32/tool_tips.h"

#include <commctrl.h>

#include <stdexcept>

#include "controls/win32/wide_text.h"
#include "platform/win32/message_handler.h"

namespace controls::win32 {

TToolTips::TToolTips(HWND form) : form_(form) {
  window_.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form, nullptr,
                                  platform::win32::ModuleInstance(), nullptr));
  if (!window_) {
    throw std::runtime_error("Cannot create the tool tips");
  }
}

void TToolTips::AddTool(HWND control, const std::string& hintUtf8) {
  std::wstring hint = WideFromUtf8(hintUtf8);

  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the common controls
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = form_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = hint.data();  // copied by the tool-tip window
  ::SendMessageW(window_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace controls::win32
