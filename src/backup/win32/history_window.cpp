#include "backup/win32/history_window.h"

#include <shellapi.h>

#include <stdexcept>
#include <utility>

#include "backup/history_columns.h"
#include "db/program_dir.h"
#include "settings/backup_settings.h"

namespace backup::win32 {
namespace {

constexpr int kClientWidth = 900;
constexpr int kClientHeight = 360;
constexpr int kMargin = 8;
constexpr int kButtonHeight = 25;
constexpr int kButtonY = kClientHeight - kMargin - kButtonHeight;

// Widths of the columns, in the order of backup::HistoryColumn.
constexpr int kColumnWidths[kHistoryColumnCount] = {130, 65, 60, 160, 65, 45, 65, 266};

HICON SystemIcon(LPCSTR id) { return ::LoadIconA(nullptr, id); }

}  // namespace

int HistoryImageOf(HistoryOutcome outcome) {
  switch (outcome) {
    case HistoryOutcome::kOk:
      return kHistoryImageOk;
    case HistoryOutcome::kWarning:
      return kHistoryImageWarning;
    case HistoryOutcome::kError:
      return kHistoryImageError;
    case HistoryOutcome::kUnreadable:
      return kHistoryImageUnreadable;
    case HistoryOutcome::kOther:
      break;
  }
  return controls::win32::TListView::kNoImage;
}

THistoryForm::THistoryForm(controls::win32::Application& application, std::string exeDir)
    // Owned by the application's window, as every form of the program; never by the hidden main window.
    : TModalForm(application, application.Handle(), {kHistoryFormClass, kHistoryCaption, kClientWidth, kClientHeight}),
      exeDir_(std::move(exeDir)),
      List(*this, Handle(), kHistoryListId,
           {kMargin, kMargin, kClientWidth - 2 * kMargin, kButtonY - 2 * kMargin}),
      Refresh_Btn(*this, Handle(), kHistoryRefreshBtnId, {kMargin, kButtonY, 75, kButtonHeight}, "Refresh"),
      OpenFolder_Btn(*this, Handle(), kHistoryOpenFolderBtnId, {kMargin + 83, kButtonY, 85, kButtonHeight},
                     "Open folder"),
      Close_Btn(*this, Handle(), kHistoryCloseBtnId, {kClientWidth - kMargin - 75, kButtonY, 75, kButtonHeight},
                "Close") {
  const auto& titles = HistoryColumnTitles();
  for (int c = 0; c < kHistoryColumnCount; ++c) {
    List.AddColumn(titles[static_cast<std::size_t>(c)], kColumnWidths[c]);
  }
  List.SetImages({SystemIcon(IDI_INFORMATION), SystemIcon(IDI_WARNING), SystemIcon(IDI_ERROR),
                  SystemIcon(IDI_QUESTION)});
  Refresh_Btn.OnClick = [this] { Refresh_BtnClick(); };
  OpenFolder_Btn.OnClick = [this] { OpenFolder_BtnClick(); };
  Close_Btn.OnClick = [this] { Close_BtnClick(); };
  SetCancelButton(Close_Btn);  // Escape
  SetActiveControl(List.Handle());
}

THistoryForm::~THistoryForm() { App().RemoveModelessForm(Handle()); }

void THistoryForm::Open() {
  if (!::IsWindowVisible(Handle())) {
    Fill();
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    App().AddModelessForm(Handle());
  } else if (::IsIconic(Handle())) {
    ::ShowWindow(Handle(), SW_RESTORE);
  }
  BringToFront();
}

void THistoryForm::Refresh_BtnClick() { Fill(); }

void THistoryForm::OpenFolder_BtnClick() {
  // The folder as the settings name it now, as the next backup will use it.
  const std::string folder =
      settings::ReadBakDir(settings::IniFile::Snapshot(exeDir_ + db::kBakInfoSuffix), exeDir_);
  const DWORD attributes = ::GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    // Said here rather than by the shell, whose own message for it differs between versions.
    throw std::runtime_error("The backup folder " + folder + " does not exist");
  }
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteA(Handle(), "open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    throw std::runtime_error("Cannot open the folder " + folder);
  }
}

void THistoryForm::Close_BtnClick() {
  App().RemoveModelessForm(Handle());
  ::ShowWindow(Handle(), SW_HIDE);
  if (OnClosed) {
    OnClosed();
  }
}

LRESULT THistoryForm::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    Close_BtnClick();  // the close box and Alt+F4, as "Close"
    return 0;
  }
  return TModalForm::HandleMessage(window, message, wParam, lParam);
}

void THistoryForm::Fill() {
  const HistoryListing listing = ReadHistory(exeDir_ + "\\Bak_Info");
  bytesRead_ = listing.bytesRead;
  std::vector<controls::win32::TListView::Row> rows;
  rows.reserve(listing.entries.size());
  for (const HistoryEntry& entry : listing.entries) {
    rows.push_back({HistoryColumnTexts(entry), HistoryImageOf(entry.outcome)});
  }
  List.SetRows(rows);
}

}  // namespace backup::win32
