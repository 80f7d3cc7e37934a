// The backup settings dialog as the operator uses it: opened from "Set time...", driven by keys and
// clicks from a second thread while its modal loop runs on this one, its boxes and choosers answered
// as the operator would, and Bak_Info.ini checked byte for byte afterwards.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "controls/win32/application.h"
#include "app/win32/main_window.h"
#include "db/program_dir.h"
#include "settings/win32/backup_settings_dialog.h"
#include "support/driver.h"
#include "support/temp_dir.h"

namespace {

using namespace gui_test;
using namespace settings::win32;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using Texts = std::vector<std::string>;

// --- what the operator's side needs ---------------------------------------------------------------

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ControlSearch*>(param);
  if (::GetDlgCtrlID(child) == search->id) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}

// A control of the form by its id, inside panels too.
HWND Control(HWND form, int id) {
  ControlSearch search{id, nullptr};
  ::EnumChildWindows(form, MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring WideText(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, 1024);
  return text;
}

struct WindowSearch {
  const char* className;
  const wchar_t* caption;  // nullptr: any
  HWND except;
  HWND owner;  // nullptr: any
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid != ::GetCurrentProcessId() || window == s->except || ClassName(window) != s->className ||
      (s->owner != nullptr && ::GetWindow(window, GW_OWNER) != s->owner) ||
      (s->visibleOnly && !::IsWindowVisible(window)) || (s->caption != nullptr && WideText(window) != s->caption)) {
    return TRUE;
  }
  s->found = window;
  return FALSE;
}

// A visible dialog box of this process other than `except`, with this caption when one is given.
HWND WaitForBox(const wchar_t* caption, HWND except = nullptr, DWORD timeoutMs = kWaitMs) {
  WindowSearch search{"#32770", caption, except, nullptr, true, nullptr};
  WaitUntil(
      [&] {
        search.found = nullptr;
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeoutMs);
  return search.found;
}

std::wstring BoxText(HWND box) { return WideText(::GetDlgItem(box, 0xFFFF)); }

bool BoxHasIcon(HWND box, LPCSTR icon) {
  const HICON wanted = ::LoadIconA(nullptr, icon);
  for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        reinterpret_cast<HICON>(::SendMessageA(child, STM_GETICON, 0, 0)) == wanted) {
      return true;
    }
  }
  return false;
}

void Answer(HWND box, int button) {
  ::PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
  WaitUntil([&] { return !::IsWindow(box) || !::IsWindowVisible(box); });
}

void TypeChars(HWND control, const std::string& chars) {
  for (char c : chars) {
    ::PostMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
  }
  LetHandle(control);
}

void PressKey(HWND control, WPARAM key) {
  ::PostMessageA(control, WM_KEYDOWN, key, 1);
  ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

void Click(HWND button) { ::PostMessageA(button, BM_CLICK, 0, 0); }

Texts Items(HWND list) {
  Texts items;
  const auto count = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[1024] = {};
    ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.emplace_back(text);
  }
  return items;
}

RECT RectInParent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Runs `show` (which shows the dialog modally) on this thread and `operate` on another once the
// dialog is up. Whatever `operate` leaves open, boxes and the dialog, is closed afterwards, so a failed
// check cannot keep the modal loop running.
void RunDialog(const std::function<void()>& show, const std::function<void(HWND form)>& operate) {
  std::atomic<bool> done{false};
  std::thread operatorSide([&] {
    HWND form = WaitForProcessWindow(::GetCurrentProcessId(), kForm10Class, kForm10Caption, true);
    if (form == nullptr) {
      ADD_FAILURE() << "the dialog did not show";
    } else {
      LetHandle(form);
      operate(form);
    }
    while (form != nullptr && ::IsWindow(form) && ::IsWindowVisible(form)) {
      if (HWND box = WaitForBox(nullptr, nullptr, 200)) {
        ADD_FAILURE() << "a box was left open: " << WindowText(box) << ": " << WindowText(::GetDlgItem(box, 0xFFFF));
        ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        ::PostMessageA(box, WM_COMMAND, IDNO, 0);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
      }
      ::PostMessageA(form, WM_CLOSE, 0, 0);
      PumpMessages(200);
    }
    done = true;
  });
  show();
  operatorSide.join();
  EXPECT_TRUE(done);
}

std::string WindowsTempFolder(const TempDir& dir, const std::string& name) {
  const std::string path = dir.File(name);
  std::filesystem::create_directories(testing_support::Native(path));
  return path;
}

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      GTEST_SKIP() << "windows need a display (DISPLAY under Wine)";
    }
    application = std::make_unique<controls::win32::Application>();
    application->SetShowMainForm(false);
    application->SetTitle(app::win32::kProgramTitle);
    main = std::make_unique<app::win32::TForm1>(*application);
    application->SetMainForm(main->Handle());
    main->Hide();
    // No start-up sequence: its connection dialog would come up over the settings dialog after 3 s.
    main->Timer1.SetEnabled(false);
    ini = dir.File("Bak_Info.ini");
  }
  void TearDown() override {
    main.reset();
    application.reset();
  }
  void ShowDirectly() {
    TForm10 dialog(*application, main->Handle(), ini);
    dialog.ShowModal();
  }

  TempDir dir;
  std::string ini;
  std::unique_ptr<controls::win32::Application> application;
  std::unique_ptr<app::win32::TForm1> main;
};

TEST_F(SettingsDialogTest, LaidOutAsDesignedWithTheFocusOnTheTimes) {
  WriteBytes(ini, "[BAK]\r\nTimeCount=2\r\nTime_1=20:30\r\nTime_2=08:00\r\nBakDir=D:\\SqlBackup\r\n"
                  "RarProgram=C:\\Rar\\WinRAR.exe\r\n[copy]\r\ncount=2\r\ncopy1=E:\\Mirror\r\ncopy2=F:\\x\\\r\n");
  const DWORD uiThread = ::GetCurrentThreadId();
  RunDialog([&] { ShowDirectly(); }, [&](HWND form) {
    RECT outer{};
    ::GetWindowRect(form, &outer);
    EXPECT_EQ(outer.right - outer.left, 516);
    EXPECT_EQ(outer.bottom - outer.top, 537)
        << "421, the row of the clean-up fields, the make-up check box and two for the notifications";
    RECT mainRect{};
    ::GetWindowRect(main->Handle(), &mainRect);
    EXPECT_EQ((outer.left + outer.right) / 2, (mainRect.left + mainRect.right) / 2) << "centred on the main window";
    EXPECT_NE(::GetWindowLongA(form, GWL_STYLE) & WS_THICKFRAME, 0) << "a sizeable frame";
    EXPECT_EQ(::GetWindow(form, GW_OWNER), main->Handle());

    struct Expected {
      int id;
      int parent;  // 0: the form
      RECT rect;
    };
    const Expected controls[] = {
        {kForm10Panel2Id, kForm10Panel1Id, {47, 15, 90, 38}},     {kMaskEdit1Id, kForm10Panel2Id, {8, 5, 36, 19}},
        {kDirectoryEdit1Id, kForm10Panel1Id, {96, 16, 495, 37}}, {kSpeedButton7Id, 0, {6, 51, 34, 75}},
        {kSpeedButton5Id, 0, {62, 51, 90, 75}},                   {kEdit1Id, 0, {98, 64, 467, 85}},
        {kForm10SpeedButton3Id, 0, {469, 62, 492, 84}},           {kListBox1Id, 0, {4, 79, 90, 342}},
        {kDirectoryEdit2Id, 0, {97, 104, 496, 125}},              {kSpeedButton6Id, 0, {464, 128, 492, 152}},
        {kSpeedButton4Id, 0, {278, 129, 306, 153}},               {kListBox2Id, 0, {97, 157, 493, 342}},
        {kSpeedButton1Id, 0, {341, 347, 414, 373}},               {kSpeedButton2Id, 0, {421, 347, 494, 373}},
        {kEdit2Id, 0, {232, 381, 282, 402}},                      {kEdit3Id, 0, {443, 381, 493, 402}},
        {kCheckBox1Id, 0, {98, 407, 348, 427}},                   {kEdit4Id, 0, {168, 437, 493, 458}},
        {kEdit5Id, 0, {168, 464, 493, 485}},
    };
    for (const Expected& c : controls) {
      HWND control = Control(form, c.id);
      ASSERT_NE(control, nullptr) << c.id;
      EXPECT_EQ(::GetParent(control), c.parent == 0 ? form : Control(form, c.parent)) << c.id;
      const RECT r = RectInParent(control);
      EXPECT_TRUE(r.left == c.rect.left && r.top == c.rect.top && r.right == c.rect.right && r.bottom == c.rect.bottom)
          << c.id << " at " << r.left << "," << r.top << " to " << r.right << "," << r.bottom;
    }
    RECT panel1{};
    ::GetClientRect(Control(form, kForm10Panel1Id), &panel1);
    RECT client{};
    ::GetClientRect(form, &client);
    EXPECT_EQ(panel1.right, client.right) << "Panel1 spans the form";
    EXPECT_EQ(panel1.bottom, 48);

    EXPECT_EQ(Items(Control(form, kListBox1Id)), (Texts{"08:00", "20:30"}));
    EXPECT_EQ(Items(Control(form, kListBox2Id)), (Texts{"E:\\Mirror\\", "F:\\x\\"}));
    EXPECT_EQ(WindowText(Control(form, kDirectoryEdit1Id)), "D:\\SqlBackup\\");
    EXPECT_EQ(WindowText(Control(form, kDirectoryEdit2Id)), "F:\\x\\");
    EXPECT_EQ(WindowText(Control(form, kEdit1Id)), "C:\\Rar\\WinRAR.exe");
    EXPECT_EQ(WindowText(Control(form, kMaskEdit1Id)), "00:00");
    EXPECT_EQ(WindowText(Control(form, kSpeedButton1Id)), "OK");
    EXPECT_EQ(WindowText(Control(form, kSpeedButton2Id)), "Cancel");
    EXPECT_EQ(WindowText(Control(form, kForm10SpeedButton3Id)), "...");
    EXPECT_EQ(WindowText(Control(form, kForm10Label5Id)), "Keep archives (days):");
    EXPECT_EQ(WindowText(Control(form, kForm10Label6Id)), "but always the newest:");
    EXPECT_EQ(WindowText(Control(form, kEdit2Id)), "0") << "no KeepDays: every archive is kept";
    EXPECT_EQ(WindowText(Control(form, kEdit3Id)), "3");
    for (int label : {kForm10Label5Id, kForm10Label6Id}) {
      const RECT r = RectInParent(Control(form, label));
      EXPECT_LE(r.right, label == kForm10Label5Id ? 232 : 443) << "the label ends before its field";
      EXPECT_GE(r.top, 374) << "below the buttons";
    }
    EXPECT_NE(::GetWindowLongA(Control(form, kEdit1Id), GWL_STYLE) & ES_READONLY, 0);
    for (int list : {kListBox1Id, kListBox2Id}) {
      EXPECT_NE(::GetWindowLongA(Control(form, list), GWL_STYLE) & LBS_EXTENDEDSEL, 0) << "multiple selection";
      EXPECT_EQ(::SendMessageA(Control(form, list), LB_GETSELCOUNT, 0, 0), 0) << "nothing selected";
    }
    EXPECT_EQ(::SendMessageA(Control(form, kListBox1Id), LB_GETITEMHEIGHT, 0, 0), 16);
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(Control(form, kListBox1Id), WM_GETFONT, 0, 0)), sizeof font,
                 &font);
    EXPECT_STREQ(font.lfFaceName, "Courier New");
    EXPECT_EQ(font.lfHeight, -13);
    EXPECT_EQ(font.lfCharSet, RUSSIAN_CHARSET);

    // Hints as tool tips, in Russian whatever the system's language.
    WindowSearch tipsSearch{"tooltips_class32", nullptr, nullptr, form, false, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&tipsSearch));
    HWND tips = tipsSearch.found;
    ASSERT_NE(tips, nullptr);
    const std::pair<int, std::wstring> hints[] = {{kSpeedButton7Id, L"Удалить выделенное время"},
                                                  {kSpeedButton5Id, L"Вставить выбранное время"},
                                                  {kSpeedButton6Id, L"Удалить выделеные пути"},
                                                  {kSpeedButton4Id, L"Вставить выбранный путь"}};
    EXPECT_EQ(::SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 4);
    for (const auto& [id, hint] : hints) {
      wchar_t text[256] = {};
      TTTOOLINFOW tool{};
      tool.cbSize = TTTOOLINFOW_V2_SIZE;
      tool.hwnd = form;
      tool.uId = reinterpret_cast<UINT_PTR>(Control(form, id));
      tool.uFlags = TTF_IDISHWND;
      tool.lpszText = text;
      ::SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
      EXPECT_EQ(std::wstring(text), hint) << id;
    }

    // The focus starts on the times and follows the keyboard order; buttons never take it.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(uiThread, &info);
    EXPECT_EQ(info.hwndFocus, Control(form, kListBox1Id));
    const int order[] = {kListBox1Id, kMaskEdit1Id, kDirectoryEdit1Id, kDirectoryEdit2Id, kEdit1Id, kListBox2Id,
                         kEdit2Id,    kEdit3Id,     kCheckBox1Id,      kEdit4Id,          kEdit5Id,    kListBox1Id};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
      EXPECT_EQ(::GetNextDlgTabItem(form, Control(form, order[i]), FALSE), Control(form, order[i + 1])) << i;
    }
    HWND add = Control(form, kSpeedButton5Id);
    ::PostMessageA(add, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(add, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    LetHandle(form);
    ::GetGUIThreadInfo(uiThread, &info);
    EXPECT_EQ(info.hwndFocus, Control(form, kListBox1Id)) << "a click on a button leaves the focus";
    EXPECT_EQ(Items(Control(form, kListBox1Id)), (Texts{"00:00", "08:00", "20:30"}));
    Click(Control(form, kSpeedButton2Id));
  });
}

TEST_F(SettingsDialogTest, OperatorEditsEverythingFromSetTimeAndOkWritesTheFile) {
  // "Set time..." opens the dialog on ExeDir's Bak_Info.ini.
  const std::string bakInfo = db::ExeDir() + "\\Bak_Info";
  std::filesystem::create_directories(testing_support::Native(bakInfo));
  ini = bakInfo + "\\Bak_Info.ini";
  const std::string copies = WindowsTempFolder(dir, "Copies");
  const std::string rar = dir.File("WinRAR.exe");
  WriteBytes(rar, "MZ");
  WriteBytes(ini, "[BAK]\r\nCopyTo=" + copies + "\r\n");
  main->EnableCommands();
  std::string picked;

  RunDialog([&] { main->Settime_M.Click(); }, [&](HWND form) {
    HWND time = Control(form, kMaskEdit1Id);
    HWND times = Control(form, kListBox1Id);
    EXPECT_EQ(WindowText(time), "00:00");
    TypeChars(time, "2030");
    EXPECT_EQ(WindowText(time), "20:30");
    PressKey(time, VK_RETURN);
    LetHandle(form);
    EXPECT_EQ(Items(times), Texts{"20:30"});
    EXPECT_EQ(WindowText(time), "__:__") << "the field is blanked after adding";
    TypeChars(time, "0800");
    PressKey(time, VK_RETURN);
    LetHandle(form);
    EXPECT_EQ(Items(times), (Texts{"08:00", "20:30"}));

    // A duplicate and an impossible time: each refused with its box; the field is blanked anyway.
    const std::pair<const char*, const wchar_t*> refused[] = {{"0800", L"This time already exist."},
                                                             {"2500", L"Invalid time."}};
    for (const auto& [typed, message] : refused) {
      TypeChars(time, typed);
      PressKey(time, VK_RETURN);
      HWND box = WaitForBox(L"Error", form);
      ASSERT_NE(box, nullptr) << typed;
      EXPECT_EQ(BoxText(box), message);
      EXPECT_TRUE(BoxHasIcon(box, IDI_HAND));
      EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr) << "OK only";
      Answer(box, IDOK);
      LetHandle(form);
      EXPECT_EQ(Items(times), (Texts{"08:00", "20:30"}));
      EXPECT_EQ(WindowText(time), "__:__");
    }

    // Delete in the list asks; No keeps, Yes removes the selection.
    ::SendMessageA(times, LB_SETSEL, TRUE, 1);
    for (int answer : {IDNO, IDYES}) {
      PressKey(times, VK_DELETE);
      HWND question = WaitForBox(L"Уведомление", form);
      ASSERT_NE(question, nullptr);
      EXPECT_EQ(BoxText(question), L"Вы действительно хотите удалить выделенное время?");
      EXPECT_TRUE(BoxHasIcon(question, IDI_QUESTION));
      EXPECT_NE(::GetDlgItem(question, IDYES), nullptr);
      Answer(question, answer);
      LetHandle(form);
      EXPECT_EQ(Items(times), answer == IDNO ? (Texts{"08:00", "20:30"}) : Texts{"08:00"});
    }
    TypeChars(time, "2030");
    PressKey(time, VK_RETURN);
    LetHandle(form);
    EXPECT_EQ(Items(times), (Texts{"08:00", "20:30"}));

    // Typing into a directory field does nothing.
    HWND backupDir = Control(form, kDirectoryEdit1Id);
    TypeChars(backupDir, "abc\b");
    EXPECT_EQ(WindowText(backupDir), "");

    // The copy folder through the folder chooser, which starts at the field's text.
    HWND copyField = Control(form, kDirectoryEdit2Id);
    EXPECT_EQ(WindowText(copyField), copies);
    Click(::GetDlgItem(copyField, 1));
    HWND chooser = WaitForBox(nullptr, form);
    ASSERT_NE(chooser, nullptr) << "no folder chooser";
    LetHandle(chooser);
    Answer(chooser, IDOK);
    LetHandle(form);
    // Wine's chooser does not take the start folder (BFFM_SETSELECTIONW); whatever it returns, the
    // picked folder becomes the text and, once added, a list item with a backslash.
    picked = WindowText(copyField);
    EXPECT_FALSE(picked.empty());
    Click(Control(form, kSpeedButton4Id));
    LetHandle(form);
    EXPECT_EQ(Items(Control(form, kListBox2Id)), Texts{picked + "\\"});
    Click(Control(form, kSpeedButton4Id));
    HWND notice = WaitForBox(L"Уведомление", form);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(BoxText(notice), L"Данный путь уже есть!");
    EXPECT_TRUE(BoxHasIcon(notice, IDI_ASTERISK));
    Answer(notice, IDOK);

    // The archiver through the file-open dialog, which proposes WinRar.exe.
    Click(Control(form, kForm10SpeedButton3Id));
    HWND open = WaitForBox(nullptr, form);
    ASSERT_NE(open, nullptr) << "no file-open dialog";
    LetHandle(open);
    HWND name = ::GetDlgItem(open, cmb13);
    if (name != nullptr && ::FindWindowExA(name, nullptr, "Edit", nullptr) != nullptr) {
      name = ::FindWindowExA(name, nullptr, "Edit", nullptr);
    } else if (name == nullptr) {
      name = ::GetDlgItem(open, edt1);
    }
    ASSERT_NE(name, nullptr) << "no file name field";
    EXPECT_EQ(WindowText(name), "WinRar.exe");
    ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(rar.c_str()));
    Answer(open, IDOK);
    LetHandle(form);
    EXPECT_EQ(WindowText(Control(form, kEdit1Id)), rar);

    // The notification addresses: one that is not http or https is refused with a box naming its
    // field, and the dialog stays.
    HWND success = Control(form, kEdit4Id);
    HWND failure = Control(form, kEdit5Id);
    EXPECT_EQ(WindowText(success), "");
    ::SendMessageA(success, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("https://hc-ping.com/abc"));
    ::SendMessageA(failure, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ftp://example.com/"));
    Click(Control(form, kSpeedButton1Id));
    HWND refusedUrl = WaitForBox(L"Error", form);
    ASSERT_NE(refusedUrl, nullptr);
    EXPECT_EQ(BoxText(refusedUrl).rfind(L"Notify on failure (URL):", 0), 0u);
    Answer(refusedUrl, IDOK);
    LetHandle(form);
    EXPECT_TRUE(::IsWindowVisible(form));
    ::SendMessageA(failure, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("http://127.0.0.1:8080/fail"));

    Click(Control(form, kSpeedButton1Id));
    WaitUntil([&] { return !::IsWindowVisible(form); });
  });

  EXPECT_EQ(ReadBytes(ini), "[BAK]\r\nTimeCount=2\r\nTime_1=08:00\r\nTime_2=20:30\r\nBakDir=\r\nRarProgram=" + rar +
                                "\r\nKeepDays=0\r\nKeepCount=3\r\nMakeUp=1\r\n[copy]\r\ncount=1\r\nCopy1=" + picked +
                                "\\\r\n[notify]\r\nSuccessUrl=https://hc-ping.com/abc\r\n"
                                "FailureUrl=http://127.0.0.1:8080/fail\r\n");
  std::filesystem::remove_all(testing_support::Native(bakInfo));
}

TEST_F(SettingsDialogTest, CancelAndTheCloseBoxLeaveTheFileUntouched) {
  const std::string before = "[BAK]\r\nTimeCount=1\r\nTime_1=08:00\r\n; kept\r\n[copy]\r\ncount=0\r\n";
  for (bool closeBox : {false, true}) {
    WriteBytes(ini, before);
    RunDialog([&] { ShowDirectly(); }, [&](HWND form) {
      HWND time = Control(form, kMaskEdit1Id);
      TypeChars(time, "1234");
      PressKey(time, VK_RETURN);
      LetHandle(form);
      EXPECT_EQ(Items(Control(form, kListBox1Id)), (Texts{"08:00", "12:34"}));
      if (closeBox) {
        ::PostMessageA(form, WM_CLOSE, 0, 0);
      } else {
        Click(Control(form, kSpeedButton2Id));
      }
      EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(form); }));
    });
    EXPECT_EQ(ReadBytes(ini), before) << closeBox;
  }
}

// "Make up missed backups": a check box in a row of its own below the keep row, checked unless the
// file says MakeUp=0; a click turns it over and OK writes it.
TEST_F(SettingsDialogTest, MakeUpCheckBoxShowsTheFileAndOkWritesTheOperatorsChoice) {
  for (const auto& [file, checked] : {std::pair{"[BAK]\r\nTimeCount=0\r\n", true},
                                      std::pair{"[BAK]\r\nTimeCount=0\r\nMakeUp=0\r\n", false}}) {
    SCOPED_TRACE(file);
    WriteBytes(ini, file);
    RunDialog([&] { ShowDirectly(); }, [&](HWND form) {
      HWND box = Control(form, kCheckBox1Id);
      ASSERT_NE(box, nullptr);
      const RECT r = RectInParent(box);
      EXPECT_TRUE(r.left == 98 && r.top == 407 && r.right == 348 && r.bottom == 427)
          << r.left << "," << r.top << " to " << r.right << "," << r.bottom;
      EXPECT_EQ(WindowText(box), "Make up missed backups");
      EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), checked ? BST_CHECKED : BST_UNCHECKED);
      Click(box);
      LetHandle(form);
      EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), checked ? BST_UNCHECKED : BST_CHECKED);
      Click(Control(form, kSpeedButton1Id));
      EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(form); }));
    });
    EXPECT_NE(ReadBytes(ini).find(checked ? "\r\nMakeUp=0\r\n" : "\r\nMakeUp=1\r\n"), std::string::npos) << ReadBytes(ini);
  }
}

TEST_F(SettingsDialogTest, RefusedWriteShowsTheErrorBoxAndTheDialogStaysWithItsContents) {
  const std::string before = "[BAK]\r\nTimeCount=1\r\nTime_1=08:00\r\n";
  WriteBytes(ini, before);
  testing_support::SetReadOnly(ini, true);
  RunDialog([&] { ShowDirectly(); }, [&](HWND form) {
    HWND time = Control(form, kMaskEdit1Id);
    TypeChars(time, "0930");
    PressKey(time, VK_RETURN);
    LetHandle(form);
    Click(Control(form, kSpeedButton1Id));
    HWND box = WaitForBox(L"QEL 26.1 Dumpwarden", form);
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_EQ(BoxText(box), L"Unable to write to " + std::wstring(ini.begin(), ini.end()) + L".");
    EXPECT_TRUE(BoxHasIcon(box, IDI_HAND));
    Answer(box, IDOK);
    LetHandle(form);
    EXPECT_TRUE(::IsWindowVisible(form)) << "the dialog stays open";
    EXPECT_EQ(Items(Control(form, kListBox1Id)), (Texts{"08:00", "09:30"}));
    Click(Control(form, kSpeedButton2Id));
  });
  testing_support::SetReadOnly(ini, false);
  EXPECT_EQ(ReadBytes(ini), before);
}

// The clean-up fields show the file's KeepDays and KeepCount and OK writes what was typed; an entry
// that is not a whole number in range is refused with a box, and the dialog stays open unsaved.
TEST_F(SettingsDialogTest, KeepFieldsShowAndWriteBothKeysAndRefuseWhatIsOutOfRange) {
  WriteBytes(ini, "[BAK]\r\nTimeCount=1\r\nTime_1=08:00\r\nBakDir=D:\\Sql\r\nRarProgram=\r\nKeepDays=14\r\n"
                  "KeepCount=5\r\n[copy]\r\ncount=0\r\n");
  RunDialog([&] { ShowDirectly(); }, [&](HWND form) {
    HWND days = Control(form, kEdit2Id);
    HWND count = Control(form, kEdit3Id);
    EXPECT_EQ(WindowText(days), "14");
    EXPECT_EQ(WindowText(count), "5");
    const std::pair<const char*, const char*> refused[] = {{"3651", "2"}, {"1.5", "2"}, {"7", "0"}, {"7", "abc"}};
    for (const auto& [d, c] : refused) {
      ::SendMessageA(days, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(d));
      ::SendMessageA(count, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c));
      Click(Control(form, kSpeedButton1Id));
      HWND box = WaitForBox(L"Error", form);
      ASSERT_NE(box, nullptr) << d << "/" << c;
      const bool daysWrong = std::string(d) != "7";
      EXPECT_EQ(BoxText(box), daysWrong ? L"Keep archives (days): enter a whole number from 0 to 3650 (0 keeps every "
                                          L"archive)."
                                        : L"but always the newest: enter a whole number from 1 to 1000.");
      EXPECT_TRUE(BoxHasIcon(box, IDI_HAND));
      Answer(box, IDOK);
      LetHandle(form);
      EXPECT_TRUE(::IsWindowVisible(form)) << "the dialog stays open";
    }
    ::SendMessageA(days, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    TypeChars(days, "30");
    ::SendMessageA(count, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("4"));
    Click(Control(form, kSpeedButton1Id));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(form); }));
  });
  // [BAK] is erased and written anew, after [copy]; the make-up key with it, no [notify] without addresses.
  EXPECT_EQ(ReadBytes(ini), "[copy]\r\ncount=0\r\n[BAK]\r\nTimeCount=1\r\nTime_1=08:00\r\nBakDir=D:\\Sql\r\nRarProgram=\r\n"
                            "KeepDays=30\r\nKeepCount=4\r\nMakeUp=1\r\n");
}

}  // namespace
