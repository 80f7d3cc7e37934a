#pragma once
// `TForm10`, "Backup settings...": edits the backup times, the backup directory, the archiver, the
// copy directories, how long old archives are kept and whether missed backups are made up (two rows
// below the buttons) and the addresses of the web notifications (two rows below those) of
// Bak_Info.ini. Loads the file when created, writes it on OK. Its rules live in
// the window-free BackupSettingsForm; this class lays out the controls, shows that state and hands
// the operator's actions to it. The caller creates it, runs ShowModal and destroys it.
#include <windows.h>

#include <string>
#include <vector>

#include "controls/win32/check_box.h"
#include "controls/win32/edit_control.h"
#include "controls/win32/label.h"
#include "controls/win32/list_box.h"
#include "controls/win32/modal_form.h"
#include "controls/win32/panel.h"
#include "controls/win32/speed_button.h"
#include "controls/win32/tool_tips.h"
#include "controls/win32/window_subclass.h"
#include "settings/backup_settings_form.h"
#include "settings/win32/directory_edit.h"
#include "settings/win32/mask_edit.h"

namespace settings::win32 {

inline constexpr char kForm10Class[] = "TForm10";
inline constexpr char kForm10Caption[] = "Backup settings...";

// Control ids, by which the form and outside tools find them.
enum Form10ControlId : int {
  kForm10Panel1Id = 1001,
  kForm10Label1Id,
  kForm10Panel2Id,
  kMaskEdit1Id,
  kForm10Label2Id,
  kDirectoryEdit1Id,
  kSpeedButton7Id,
  kSpeedButton5Id,
  kForm10Label4Id,
  kEdit1Id,
  kForm10SpeedButton3Id,
  kListBox1Id,
  kForm10Label3Id,
  kDirectoryEdit2Id,
  kSpeedButton6Id,
  kSpeedButton4Id,
  kListBox2Id,
  kSpeedButton1Id,
  kSpeedButton2Id,
  kForm10Label5Id,
  kEdit2Id,  // "Keep archives (days):"
  kForm10Label6Id,
  kEdit3Id,  // "but always the newest:"
  kCheckBox1Id,  // "Make up missed backups"
  kForm10Label7Id,
  kEdit4Id,  // "Notify on success (URL):"
  kForm10Label8Id,
  kEdit5Id,  // "Notify on failure (URL):"
};

class TForm10 final : public controls::win32::TModalForm, private FormPrompts {
 public:
  // owner: the main window, on whose centre the dialog opens. iniPath: Bak_Info.ini.
  TForm10(controls::win32::Application& application, HWND owner, std::string iniPath);

  // Event handlers.
  void FormCreate();
  void MaskEdit1KeyDown(WPARAM key);
  void ListBox1KeyDown(WPARAM key);
  void ListBox2KeyDown(WPARAM key);
  void DirectoryEdit1KeyPress(WPARAM& key);
  void DirectoryEdit1Click();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton3Click();
  void SpeedButton4Click();
  void SpeedButton5Click();
  void SpeedButton6Click();
  void SpeedButton7Click();

 private:
  void Tell(const Notice& notice) override;
  bool Ask(const Notice& notice) override;
  void FormCommand(int id, int notification, HWND control) override;
  bool FormMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void PlaceOnOwner(HWND owner);
  void SetUpControls();
  void ShowState();
  static std::vector<std::size_t> Selection(const controls::win32::TListBox& list);
  static void DeleteItems(controls::win32::TListBox& list, std::vector<std::size_t> items);

  std::string iniPath_;
  BackupSettingsForm state_;
  controls::win32::UniqueFont timesFont_;
  controls::win32::UniqueFont ellipsisFont_;

 public:
  // Components, in the order of the keyboard (and of their creation).
  controls::win32::TListBox ListBox1;
  controls::win32::TPanel Panel1;
  controls::win32::TLabel Label1;
  controls::win32::TPanel Panel2;
  controls::win32::TEdit MaskEdit1Window;
  TMaskEdit MaskEdit1;
  controls::win32::TLabel Label2;
  controls::win32::TEdit DirectoryEdit1Window;
  TDirectoryEdit DirectoryEdit1;
  controls::win32::TEdit DirectoryEdit2Window;
  TDirectoryEdit DirectoryEdit2;
  controls::win32::TEdit Edit1;
  controls::win32::TListBox ListBox2;
  controls::win32::TSpeedButton SpeedButton7;
  controls::win32::TSpeedButton SpeedButton5;
  controls::win32::TLabel Label4;
  controls::win32::TSpeedButton SpeedButton3;
  controls::win32::TLabel Label3;
  controls::win32::TSpeedButton SpeedButton6;
  controls::win32::TSpeedButton SpeedButton4;
  controls::win32::TSpeedButton SpeedButton1;
  controls::win32::TSpeedButton SpeedButton2;
  controls::win32::TLabel Label5;
  controls::win32::TEdit Edit2;
  controls::win32::TLabel Label6;
  controls::win32::TEdit Edit3;
  controls::win32::TCheckBox CheckBox1;
  controls::win32::TLabel Label7;
  controls::win32::TEdit Edit4;
  controls::win32::TLabel Label8;
  controls::win32::TEdit Edit5;
  controls::win32::TToolTips ToolTips;

 private:
  controls::win32::WindowSubclass listBox1Keys_;
  controls::win32::WindowSubclass listBox2Keys_;
};

}  // namespace settings::win32
