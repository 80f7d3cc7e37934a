#pragma once
// The connection dialog's names and control ids, by which the form, its tests and outside tools
// find it and its controls.
#include <windows.h>

namespace db::win32 {

inline constexpr char kConnectionDialogClass[] = "TForm2";
inline constexpr char kConnectionDialogCaption[] = "Connection...";

// Control ids, by which the form and outside tools find the controls.
enum ConnectionDialogControlId : int {
  kBitBtn1Id = IDOK,
  kBitBtn2Id = IDCANCEL,
  kConnectPanelId = 10,
  kLoginPanelId = 11,
  kServerEditId = 12,
  kDatabaseEditId = 13,
  kUserEditId = 14,
  kPasswordEditId = 15,
  kServerLabelId = 16,
  kDatabaseLabelId = 17,
  kUserLabelId = 18,
  kPasswordLabelId = 19,
};

}  // namespace db::win32
