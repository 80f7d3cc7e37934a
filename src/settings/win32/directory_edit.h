#pragma once
// `TDirectoryEdit`: a directory field, an EDIT with a browse button at its right end that opens the
// folder chooser. Its state is a window-free DirectoryField, kept equal to what the EDIT shows.
#include <windows.h>

#include <functional>
#include <memory>

#include "controls/win32/speed_button.h"
#include "controls/win32/window_subclass.h"
#include "settings/backup_settings_form.h"

namespace settings::win32 {

class TDirectoryEdit {
 public:
  // edit: a single-line EDIT with a border; the browse button is put inside it.
  TDirectoryEdit(HWND edit, DirectoryField& field, platform::win32::ExceptionSink& errors);
  TDirectoryEdit(const TDirectoryEdit&) = delete;
  TDirectoryEdit& operator=(const TDirectoryEdit&) = delete;

  [[nodiscard]] HWND Handle() const { return edit_; }
  [[nodiscard]] HWND BrowseButton() const { return button_->Handle(); }
  // Shows the field's text after the owner changed it.
  void Refresh();
  // The browse button's action: the chooser at the field's start folder; a picked folder becomes the text.
  void Browse();

  // A click into the text (after the EDIT placed its caret).
  std::function<void()> OnClick;
  // Every character typed (the key-press handler); one it sets to 0 is discarded.
  std::function<void(WPARAM& c)> OnKeyPress;

 private:
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void TakeTextFromControl();

  HWND edit_;
  DirectoryField& field_;
  bool updating_ = false;
  std::unique_ptr<controls::win32::TSpeedButton> button_;
  controls::win32::WindowSubclass subclass_;
};

}  // namespace settings::win32
