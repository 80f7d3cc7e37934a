#pragma once
// The main window's names and ids, by which the form, its tests and outside tools find it and its
// controls, and the commands of its tray menu.
#include <windows.h>

namespace app::win32 {

inline constexpr char kProgramTitle[] = "QEL 26.1 Dumpwarden";
inline constexpr char kMainFormClass[] = "TForm1";

// Control ids of the panel, by which the form and outside tools find them.
enum MainFormControlId : int {
  kPanel1Id = 100,
  kRefreshBtnId = 101,
  kSetTimeBtnId = 102,
  kLoginBtnId = 103,
  kMomentBakBtnId = 104,
  kSpeedButton3Id = 105,
  kBevel1Id = 106,
  kLabel1Id = 107,
  kPanel2Id = 108,
  kLabel2Id = 109,
  kLabel3Id = 110,
  kAlarmClock1Id = 111,
};

// Commands of the tray menu.
enum MainFormCommand : UINT {
  kShowpanelMCommand = 201,
  kHidepanelMCommand = 202,
  kRefreshMCommand = 203,
  kSettimeMCommand = 204,
  kExitMCommand = 205,
  kHistoryMCommand = 206,
};

// Posted to the main window when the history window has closed: it is destroyed outside its own handlers.
inline constexpr UINT kHistoryClosedMessage = WM_APP + 19;

}  // namespace app::win32
