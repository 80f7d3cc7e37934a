#include "settings/win32/backup_settings_dialog.h"

#include <algorithm>
#include <utility>

#include "app/win32/res/resource_ids.h"
#include "controls/win32/wide_text.h"
#include "settings/win32/choosers.h"

namespace settings::win32 {
namespace {

using controls::win32::TGlyph;
using controls::win32::TPanelBevel;
using controls::win32::UniqueFont;
using controls::win32::WindowPlacement;

constexpr int kFormWidth = 516;
// 421 as first laid out, one row more below the buttons for the clean-up of old archives, one for
// the make-up of missed backups and two for the web notifications' addresses.
constexpr int kFormHeight = 537;
constexpr int kKeepRowTop = 381;
constexpr int kMakeUpRowTop = 407;
constexpr int kSuccessUrlRowTop = 437;
constexpr int kFailureUrlRowTop = 464;
constexpr int kUrlEditLeft = 168;
constexpr int kUrlEditWidth = 325;
// An address a receiver accepts is rarely longer; the settings file keeps at most 2047 characters.
constexpr int kUrlMaxLength = 2047;
constexpr int kPanel1Height = 48;
constexpr int kTimesItemHeight = 16;

// Hints of the picture buttons.
constexpr char kDeleteTimeHint[] = "Удалить выделенное время";
constexpr char kInsertTimeHint[] = "Вставить выбранное время";
constexpr char kDeletePathsHint[] = "Удалить выделеные пути";
constexpr char kInsertPathHint[] = "Вставить выбранный путь";

UniqueFont MakeFont(int height, int weight, BYTE charset, const char* face) {
  return UniqueFont(::CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
}

int ClientWidth(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  return client.right;
}

UINT IconFlag(NoticeIcon icon) {
  switch (icon) {
    case NoticeIcon::Stop:
      return MB_ICONSTOP;
    case NoticeIcon::Question:
      return MB_ICONQUESTION;
    case NoticeIcon::Information:
      return MB_ICONINFORMATION;
  }
  return 0;
}

void SetUpPictureButton(controls::win32::TSpeedButton& button, int glyph, const char* hint, bool handCursor) {
  button.SetGlyphs(TGlyph(glyph));
  button.SetHint(hint);
  if (!handCursor) {
    button.SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  }
}

void SetUpTextButton(controls::win32::TSpeedButton& button, const char* caption, HFONT font) {
  button.SetCaption(caption);
  button.SetFont(font);
  button.SetFlat(false);
  button.SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

// Removes the border of an edit field created with one.
void WithoutBorder(HWND edit) {
  ::SetWindowLongPtrA(edit, GWL_EXSTYLE, ::GetWindowLongPtrA(edit, GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
  ::SetWindowPos(edit, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

}  // namespace

TForm10::TForm10(controls::win32::Application& application, HWND owner, std::string iniPath)
    : TModalForm(application, owner, {kForm10Class, kForm10Caption, kFormWidth, kFormHeight}),
      iniPath_(std::move(iniPath)),
      state_(*this),
      timesFont_(MakeFont(13, FW_NORMAL, RUSSIAN_CHARSET, "Courier New")),
      ellipsisFont_(MakeFont(19, FW_BOLD, DEFAULT_CHARSET, "MS Sans Serif")),
      ListBox1(*this, Handle(), kListBox1Id, {4, 79, 86, 263}, false, true),
      Panel1(application, Handle(), kForm10Panel1Id, {0, 0, kFormWidth, kPanel1Height}, TPanelBevel::bvNone,
             TPanelBevel::bvNone),
      Label1(Panel1.Handle(), kForm10Label1Id, 7, 20, "Time:", BoldFont()),
      Panel2(application, Panel1.Handle(), kForm10Panel2Id, {47, 15, 43, 23}, TPanelBevel::bvNone,
             TPanelBevel::bvLowered),
      MaskEdit1Window(*this, Panel2.Handle(), kMaskEdit1Id, {8, 5, 28, 14}),
      MaskEdit1(MaskEdit1Window.Handle(), state_.timeField, application),
      Label2(Panel1.Handle(), kForm10Label2Id, 97, 1, "Backup directory:", BoldFont()),
      DirectoryEdit1Window(*this, Panel1.Handle(), kDirectoryEdit1Id, {96, 16, 399, 21}),
      DirectoryEdit1(DirectoryEdit1Window.Handle(), state_.backupDir, application),
      DirectoryEdit2Window(*this, Handle(), kDirectoryEdit2Id, {97, 104, 399, 21}),
      DirectoryEdit2(DirectoryEdit2Window.Handle(), state_.copyDir, application),
      Edit1(*this, Handle(), kEdit1Id, {98, 64, 369, 21}),
      ListBox2(*this, Handle(), kListBox2Id, {97, 157, 396, 185}, false, true),
      SpeedButton7(application, Handle(), kSpeedButton7Id, {6, 51, 28, 24}),
      SpeedButton5(application, Handle(), kSpeedButton5Id, {62, 51, 28, 24}),
      Label4(Handle(), kForm10Label4Id, 98, 49, "Create archive with WinRar:", BoldFont()),
      SpeedButton3(application, Handle(), kForm10SpeedButton3Id, {469, 62, 23, 22}),
      Label3(Handle(), kForm10Label3Id, 98, 89, "Copy to:", BoldFont()),
      SpeedButton6(application, Handle(), kSpeedButton6Id, {464, 128, 28, 24}),
      SpeedButton4(application, Handle(), kSpeedButton4Id, {278, 129, 28, 24}),
      SpeedButton1(application, Handle(), kSpeedButton1Id, {341, 347, 73, 26}),
      SpeedButton2(application, Handle(), kSpeedButton2Id, {421, 347, 73, 26}),
      Label5(Handle(), kForm10Label5Id, 98, kKeepRowTop + 3, kKeepDaysLabel, BoldFont()),
      Edit2(*this, Handle(), kEdit2Id, {232, kKeepRowTop, 50, 21}),
      Label6(Handle(), kForm10Label6Id, 296, kKeepRowTop + 3, kKeepCountLabel, BoldFont()),
      Edit3(*this, Handle(), kEdit3Id, {443, kKeepRowTop, 50, 21}),
      CheckBox1(*this, Handle(), kCheckBox1Id, {98, kMakeUpRowTop, 250, 20}, kMakeUpLabel),
      Label7(Handle(), kForm10Label7Id, 6, kSuccessUrlRowTop + 3, kSuccessUrlLabel, BoldFont()),
      Edit4(*this, Handle(), kEdit4Id, {kUrlEditLeft, kSuccessUrlRowTop, kUrlEditWidth, 21}),
      Label8(Handle(), kForm10Label8Id, 6, kFailureUrlRowTop + 3, kFailureUrlLabel, BoldFont()),
      Edit5(*this, Handle(), kEdit5Id, {kUrlEditLeft, kFailureUrlRowTop, kUrlEditWidth, 21}),
      ToolTips(Handle()),
      listBox1Keys_(ListBox1.Handle(), application,
                    [this](UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                      if (message == WM_KEYDOWN) {
                        ListBox1KeyDown(wParam);
                      }
                      return std::nullopt;
                    }),
      listBox2Keys_(ListBox2.Handle(), application,
                    [this](UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                      if (message == WM_KEYDOWN) {
                        ListBox2KeyDown(wParam);
                      }
                      return std::nullopt;
                    }) {
  PlaceOnOwner(owner);
  SetUpControls();
  FormCreate();
}

void TForm10::PlaceOnOwner(HWND owner) {
  // An ordinary sizeable frame, 516 x 421 in all, at the centre of the main window.
  HWND form = Handle();
  ::SetWindowLongPtrA(form, GWL_STYLE, (::GetWindowLongPtrA(form, GWL_STYLE) | WS_THICKFRAME));
  ::SetWindowLongPtrA(form, GWL_EXSTYLE, ::GetWindowLongPtrA(form, GWL_EXSTYLE) & ~WS_EX_DLGMODALFRAME);
  RECT centreOf{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (owner != nullptr) {
    ::GetWindowRect(owner, &centreOf);
  }
  const int x = (centreOf.left + centreOf.right - kFormWidth) / 2;
  const int y = (centreOf.top + centreOf.bottom - kFormHeight) / 2;
  ::SetWindowPos(form, nullptr, x, y, kFormWidth, kFormHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ::MoveWindow(Panel1.Handle(), 0, 0, ClientWidth(form), kPanel1Height, TRUE);
}

void TForm10::SetUpControls() {
  Panel2.SetColor(COLOR_WINDOW);
  AllowTabInto(Panel1.Handle());
  AllowTabInto(Panel2.Handle());
  WithoutBorder(MaskEdit1Window.Handle());
  MaskEdit1.OnKeyDown = [this](WPARAM key) { MaskEdit1KeyDown(key); };
  DirectoryEdit1.OnKeyPress = [this](WPARAM& key) { DirectoryEdit1KeyPress(key); };
  DirectoryEdit2.OnKeyPress = [this](WPARAM& key) { DirectoryEdit1KeyPress(key); };
  DirectoryEdit1.OnClick = [this] { DirectoryEdit1Click(); };
  Edit1.SetReadOnly(true);
  Edit2.SetMaxLength(6);
  Edit3.SetMaxLength(6);
  CheckBox1.SetFont(BoldFont());
  Edit4.SetMaxLength(kUrlMaxLength);
  Edit5.SetMaxLength(kUrlMaxLength);

  ::SendMessageA(ListBox1.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(timesFont_.Get()), FALSE);
  ::SendMessageA(ListBox1.Handle(), LB_SETITEMHEIGHT, 0, kTimesItemHeight);

  SetUpPictureButton(SpeedButton7, IDB_DELETE_ITEM, kDeleteTimeHint, false);
  SetUpPictureButton(SpeedButton5, IDB_ADD_ITEM, kInsertTimeHint, true);
  SetUpPictureButton(SpeedButton6, IDB_DELETE_ITEM, kDeletePathsHint, false);
  SetUpPictureButton(SpeedButton4, IDB_ADD_ITEM, kInsertPathHint, true);
  for (const controls::win32::TSpeedButton* button : {&SpeedButton7, &SpeedButton5, &SpeedButton6, &SpeedButton4}) {
    ToolTips.AddTool(button->Handle(), button->Hint());
  }
  SetUpTextButton(SpeedButton3, "...", ellipsisFont_.Get());
  SetUpTextButton(SpeedButton1, "OK", BoldFont());
  SetUpTextButton(SpeedButton2, "Cancel", BoldFont());
  SetActiveControl(ListBox1.Handle());
}

void TForm10::FormCreate() {
  const IniFile ini(iniPath_);
  state_.Load(ini);
  ShowState();
}

void TForm10::ShowState() {
  ListBox1.Clear();
  for (const std::string& time : state_.Times()) {
    ListBox1.Add(time);
  }
  ListBox2.Clear();
  for (const std::string& dir : state_.CopyDirs()) {
    ListBox2.Add(dir);
  }
  MaskEdit1.Refresh();
  DirectoryEdit1.Refresh();
  DirectoryEdit2.Refresh();
  Edit1.SetText(state_.rarProgram);
  Edit2.SetText(state_.keepDaysText);
  Edit3.SetText(state_.keepCountText);
  CheckBox1.SetChecked(state_.makeUp);
  Edit4.SetText(state_.successUrl);
  Edit5.SetText(state_.failureUrl);
}

void TForm10::MaskEdit1KeyDown(WPARAM key) {
  if (key == VK_RETURN) {
    SpeedButton5Click();
  }
}

void TForm10::ListBox1KeyDown(WPARAM key) {
  if (key == VK_DELETE) {
    SpeedButton7Click();
  }
}

void TForm10::ListBox2KeyDown(WPARAM key) {
  if (key == VK_DELETE) {
    SpeedButton6Click();
  }
}

void TForm10::DirectoryEdit1KeyPress(WPARAM& key) { key = 0; }

void TForm10::DirectoryEdit1Click() { state_.backupDir.Clicked(); }

void TForm10::SpeedButton1Click() {
  state_.keepDaysText = Edit2.Text();
  state_.keepCountText = Edit3.Text();
  state_.makeUp = CheckBox1.Checked();
  state_.successUrl = Edit4.Text();
  state_.failureUrl = Edit5.Text();
  IniFile ini(iniPath_);
  // A refused write ends here: the error box shows it and the dialog stays open. So does an
  // entry out of range, after its own box.
  if (state_.Save(ini)) {
    SetModalResult(controls::win32::ModalResult::Cancel);
  }
}

void TForm10::SpeedButton2Click() { SetModalResult(controls::win32::ModalResult::Cancel); }

void TForm10::SpeedButton3Click() {
  if (const auto program = ChooseProgramFile(Handle(), state_.RarStartFolder(), kProposedRarName)) {
    state_.rarProgram = *program;
    Edit1.SetText(*program);
  }
}

void TForm10::SpeedButton4Click() {
  if (const auto added = state_.AddCopyDir()) {
    ListBox2.Insert(static_cast<int>(*added), state_.CopyDirs()[*added]);
  }
}

void TForm10::SpeedButton5Click() {
  const auto added = state_.AddTime();
  if (added) {
    ListBox1.Insert(static_cast<int>(*added), state_.Times()[*added]);
  }
  MaskEdit1.Refresh();
}

void TForm10::SpeedButton6Click() {
  const std::vector<std::size_t> selected = Selection(ListBox2);
  if (state_.DeleteCopyDirs(selected)) {
    DeleteItems(ListBox2, selected);
  }
}

void TForm10::SpeedButton7Click() {
  const std::vector<std::size_t> selected = Selection(ListBox1);
  if (state_.DeleteTimes(selected)) {
    DeleteItems(ListBox1, selected);
  }
}

std::vector<std::size_t> TForm10::Selection(const controls::win32::TListBox& list) {
  std::vector<std::size_t> selected;
  for (int index : list.SelectedIndices()) {
    selected.push_back(static_cast<std::size_t>(index));
  }
  return selected;
}

void TForm10::DeleteItems(controls::win32::TListBox& list, std::vector<std::size_t> items) {
  std::sort(items.begin(), items.end());
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    list.Delete(static_cast<int>(*it));
  }
}

void TForm10::Tell(const Notice& notice) {
  ::MessageBoxW(Handle(), controls::win32::WideFromUtf8(notice.text).c_str(), controls::win32::WideFromUtf8(notice.caption).c_str(),
                MB_OK | IconFlag(notice.icon));
}

bool TForm10::Ask(const Notice& notice) {
  return ::MessageBoxW(Handle(), controls::win32::WideFromUtf8(notice.text).c_str(),
                       controls::win32::WideFromUtf8(notice.caption).c_str(), MB_YESNO | IconFlag(notice.icon)) == IDYES;
}

void TForm10::FormCommand(int id, int notification, HWND control) {
  if (notification != BN_CLICKED) {
    TModalForm::FormCommand(id, notification, control);
    return;
  }
  switch (id) {
    case kSpeedButton1Id:
      SpeedButton1Click();
      break;
    case kSpeedButton2Id:
      SpeedButton2Click();
      break;
    case kForm10SpeedButton3Id:
      SpeedButton3Click();
      break;
    case kSpeedButton4Id:
      SpeedButton4Click();
      break;
    case kSpeedButton5Id:
      SpeedButton5Click();
      break;
    case kSpeedButton6Id:
      SpeedButton6Click();
      break;
    case kSpeedButton7Id:
      SpeedButton7Click();
      break;
    default:
      TModalForm::FormCommand(id, notification, control);
      break;
  }
}

bool TForm10::FormMessage(UINT message, WPARAM, LPARAM lParam, LRESULT&) {
  switch (message) {
    case WM_SIZE:
      // Panel1 is aligned to the top: it keeps the form's full width.
      ::MoveWindow(Panel1.Handle(), 0, 0, LOWORD(lParam), kPanel1Height, TRUE);
      return false;
    default:
      return false;
  }
}

}  // namespace settings::win32
