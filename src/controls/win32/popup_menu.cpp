#include "controls/win32/popup_menu.h"

#include <stdexcept>
#include <utility>

namespace controls::win32 {

TMenuItem::TMenuItem(HMENU menu, UINT command, std::string caption, bool enabled)
    : menu_(menu), command_(command), caption_(std::move(caption)), enabled_(enabled) {}

void TMenuItem::SetEnabled(bool enabled) {
  enabled_ = enabled;
  ::EnableMenuItem(menu_, command_, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) {
    OnClick();
  }
}

TPopupMenu::TPopupMenu() : menu_(::CreatePopupMenu()) {
  if (!menu_) {
    throw std::runtime_error("Cannot create a popup menu");
  }
}

TMenuItem& TPopupMenu::AddItem(UINT command, std::string caption, bool enabled) {
  const UINT flags = MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED);
  if (!::AppendMenuA(menu_.Get(), flags, command, caption.c_str())) {
    throw std::runtime_error("Cannot add the menu item " + caption);
  }
  items_.push_back(std::make_unique<TMenuItem>(menu_.Get(), command, std::move(caption), enabled));
  return *items_.back();
}

void TPopupMenu::AddSeparator() { ::AppendMenuA(menu_.Get(), MF_SEPARATOR, 0, nullptr); }

void TPopupMenu::SetDefaultItem(const TMenuItem& item) { ::SetMenuDefaultItem(menu_.Get(), item.Command(), FALSE); }

bool TPopupMenu::Click(UINT command) {
  for (const auto& item : items_) {
    if (item->Command() == command) {
      item->Click();
      return true;
    }
  }
  return false;
}

UINT TPopupMenu::Track(HWND owner, POINT at) const {
  const BOOL chosen = ::TrackPopupMenu(menu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                       at.x, at.y, 0, owner, nullptr);
  return static_cast<UINT>(chosen);
}

}  // namespace controls::win32
