// The time field over a real EDIT: keys, clipboard and mouse reach the mask's text model, and the
// field shows what the model holds; the directory field refuses typed characters but not Delete.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/win32/gdi_owners.h"
#include "settings/win32/directory_edit.h"
#include "settings/win32/mask_edit.h"
#include "support/driver.h"

namespace {

using namespace gui_test;
using platform::win32::UniqueHwnd;

struct Errors : platform::win32::ExceptionSink {
  void HandleException() noexcept override { ++count; }
  int count = 0;
};

class FieldsOnAForm : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      GTEST_SKIP() << "windows need a display (DISPLAY under Wine)";
    }
    RegisterPlainFormClass("MaskProbeForm");
    form.Reset(::CreateWindowExA(0, "MaskProbeForm", "Mask probe", WS_POPUP | WS_VISIBLE, 200, 200, 300, 100, nullptr,
                                 nullptr, ::GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(form);
    edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 8, 5, 60, 18, form.Get(), nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    text.SetText("00:00");
    field = std::make_unique<settings::win32::TMaskEdit>(edit, text, errors);
    ::SetFocus(edit);
  }
  void TearDown() override {
    field.reset();
    form.Reset();
  }
  void Chars(const std::string& chars) {
    for (char c : chars) {
      ::SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
  }
  void Key(WPARAM key) { ::SendMessageA(edit, WM_KEYDOWN, key, 1); }
  [[nodiscard]] std::string Shown() const { return WindowText(edit); }
  [[nodiscard]] std::pair<DWORD, DWORD> Selection() const {
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  static void PutOnClipboard(const wchar_t* value) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    const std::size_t bytes = (std::wcslen(value) + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(::GlobalLock(memory), value, bytes);
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    ::CloseClipboard();
  }

  UniqueHwnd form;
  HWND edit = nullptr;
  settings::TimeMaskText text;
  Errors errors;
  std::unique_ptr<settings::win32::TMaskEdit> field;
};

TEST_F(FieldsOnAForm, TypingOnlyDigitsWithTheCaretSteppingOverTheColon) {
  EXPECT_EQ(Shown(), "00:00");
  Chars("2x0:3");
  EXPECT_EQ(Shown(), "20:30") << "letters and the colon are refused";
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{4, 4}));
  Chars("5");
  EXPECT_EQ(field->Text(), "20:35");
  Chars("7");
  EXPECT_EQ(field->Text(), "20:35") << "no place left";
  Chars("\b\b");
  EXPECT_EQ(Shown(), "20:__");
  Chars("\b");
  EXPECT_EQ(Shown(), "2_:__") << "Backspace steps over the colon";
  EXPECT_EQ(field->Text(), "2 :  ") << "read back with spaces";
  Key(VK_HOME);
  Key(VK_DELETE);
  EXPECT_EQ(Shown(), "__:__");
  field->SetText("");
  EXPECT_EQ(Shown(), "__:__");
  EXPECT_EQ(errors.count, 0);
}

TEST_F(FieldsOnAForm, SettingTheWindowTextAndSelectingGoThroughTheMask) {
  ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("7:5x"));
  EXPECT_EQ(Shown(), "7_:__");
  ::SendMessageA(edit, EM_SETSEL, 0, -1);
  Chars("1");
  EXPECT_EQ(Shown(), "1_:__") << "typing replaces the whole selection";
  Key(VK_RIGHT);
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{3, 3}));
  Key(VK_LEFT);
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{1, 1}));
}

TEST_F(FieldsOnAForm, PasteTakesDigitsAndRefusesOtherText) {
  field->SetText("");
  PutOnClipboard(L"08:45\r\n");
  ::SendMessageA(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(Shown(), "08:45");
  PutOnClipboard(L"noon");
  ::SendMessageA(edit, EM_SETSEL, 0, 0);
  ::SendMessageA(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(Shown(), "08:45");
  Chars("\x16");  // Ctrl+V
  EXPECT_EQ(Shown(), "08:45");
  ::SendMessageA(edit, EM_SETSEL, 3, 5);
  ::SendMessageA(edit, WM_CUT, 0, 0);
  EXPECT_EQ(Shown(), "08:__");
  ::SendMessageA(edit, EM_SETSEL, 0, 0);
  ::SendMessageA(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(Shown(), "45:__") << "what was cut pastes back";
}

TEST_F(FieldsOnAForm, EnterReachesTheKeyHandlerAndIsWantedFromTheDialogManager) {
  WPARAM seen = 0;
  field->OnKeyDown = [&](WPARAM key) { seen = key; };
  Key(VK_RETURN);
  EXPECT_EQ(seen, static_cast<WPARAM>(VK_RETURN));
  MSG enter{edit, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
  EXPECT_NE(::SendMessageA(edit, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE, 0);
  EXPECT_EQ(Shown(), "00:00");
}

TEST_F(FieldsOnAForm, DirectoryFieldRefusesTypingButKeepsDeleteAndCode) {
  HWND dirEdit = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 8, 40, 250,
                                   21, form.Get(), nullptr, ::GetModuleHandleA(nullptr), nullptr);
  settings::DirectoryField state;
  state.text = "D:\\Data";
  settings::win32::TDirectoryEdit directory(dirEdit, state, errors);
  directory.OnKeyPress = [](WPARAM& c) { c = 0; };
  EXPECT_EQ(WindowText(dirEdit), "D:\\Data");
  ::SendMessageA(dirEdit, EM_SETSEL, 7, 7);
  for (char c : std::string("x\b\r")) {
    ::SendMessageA(dirEdit, WM_CHAR, static_cast<unsigned char>(c), 1);
  }
  EXPECT_EQ(WindowText(dirEdit), "D:\\Data") << "characters, Backspace and Enter are discarded";
  ::SendMessageA(dirEdit, EM_SETSEL, 0, 3);
  ::SendMessageA(dirEdit, WM_KEYDOWN, VK_DELETE, 1);
  EXPECT_EQ(WindowText(dirEdit), "Data") << "Delete keeps its effect";
  EXPECT_EQ(state.text, "Data") << "and the field's state follows";
  int clicks = 0;
  directory.OnClick = [&] { ++clicks; };
  ::SendMessageA(dirEdit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageA(dirEdit, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 1);
  RECT button{};
  ::GetWindowRect(directory.BrowseButton(), &button);
  RECT editRect{};
  ::GetClientRect(dirEdit, &editRect);
  EXPECT_EQ(::GetParent(directory.BrowseButton()), dirEdit) << "the browse button sits in the field";
  EXPECT_EQ(button.bottom - button.top, editRect.bottom);
}

}  // namespace
