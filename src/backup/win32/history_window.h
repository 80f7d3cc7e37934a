#pragma once
// The history window: the last runs from Bak_Info\history.log, newest first, with a picture per
// outcome so that a failed run stands out. It is open beside the rest of the program (a scheduled
// backup runs meanwhile), reads the logs when it opens and on "Refresh", and holds no file open.
#include <windows.h>

#include <functional>
#include <string>

#include "backup/history_reader.h"
#include "controls/win32/list_view.h"
#include "controls/win32/modal_form.h"
#include "controls/win32/push_button.h"

namespace backup::win32 {

inline constexpr char kHistoryFormClass[] = "THistoryForm";
inline constexpr char kHistoryCaption[] = "History";

enum HistoryFormControlId : int {
  kHistoryListId = 301,
  kHistoryRefreshBtnId = 302,
  kHistoryOpenFolderBtnId = 303,
  kHistoryCloseBtnId = 304,
};

// The pictures of the list, by outcome; other lines (the clean-up's) show none.
enum HistoryImage : int { kHistoryImageOk, kHistoryImageWarning, kHistoryImageError, kHistoryImageUnreadable };
int HistoryImageOf(HistoryOutcome outcome);

class THistoryForm final : public controls::win32::TModalForm {
 public:
  // exeDir: the program's folder; the logs are in its Bak_Info folder.
  THistoryForm(controls::win32::Application& application, std::string exeDir);
  ~THistoryForm() override;

  // Reads the logs and shows the window when it is hidden; brings it to the front in any case.
  void Open();

  void Refresh_BtnClick();
  void OpenFolder_BtnClick();
  void Close_BtnClick();
  // After "Close", Escape or the close box has hidden the window: its owner destroys it later, outside
  // the window's own handlers.
  std::function<void()> OnClosed;

  // What the last reading read of the files, in bytes.
  [[nodiscard]] std::uint64_t BytesRead() const { return bytesRead_; }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Fill();

  std::string exeDir_;
  std::uint64_t bytesRead_ = 0;

 public:
  controls::win32::TListView List;
  controls::win32::TButton Refresh_Btn;
  controls::win32::TButton OpenFolder_Btn;
  controls::win32::TButton Close_Btn;
};

}  // namespace backup::win32
