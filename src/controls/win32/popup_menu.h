#pragma once
// A popup menu and its items. Clicking an item runs its OnClick only while the item is enabled,
// whether the click comes from the menu, from a button that duplicates it, or from code.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/win32/win_handles.h"

namespace controls::win32 {

class TMenuItem {
 public:
  TMenuItem(HMENU menu, UINT command, std::string caption, bool enabled);
  TMenuItem(const TMenuItem&) = delete;
  TMenuItem& operator=(const TMenuItem&) = delete;

  [[nodiscard]] UINT Command() const { return command_; }
  [[nodiscard]] const std::string& Caption() const { return caption_; }
  [[nodiscard]] bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Runs OnClick unless the item is disabled.
  void Click();
  std::function<void()> OnClick;

 private:
  HMENU menu_;
  UINT command_;
  std::string caption_;
  bool enabled_;
};

class TPopupMenu {
 public:
  TPopupMenu();
  TPopupMenu(const TPopupMenu&) = delete;
  TPopupMenu& operator=(const TPopupMenu&) = delete;

  [[nodiscard]] HMENU Handle() const { return menu_.Get(); }

  TMenuItem& AddItem(UINT command, std::string caption, bool enabled);
  void AddSeparator();
  void SetDefaultItem(const TMenuItem& item);

  // Clicks the item with this command; false when the menu has no such item.
  bool Click(UINT command);

  // Shows the menu at a screen point and tracks it until it closes; returns the chosen command,
  // 0 when the menu was dismissed. The caller acts on the command after the menu has closed.
  UINT Track(HWND owner, POINT at) const;

 private:
  UniqueMenu menu_;
  std::vector<std::unique_ptr<TMenuItem>> items_;
};

}  // namespace controls::win32
