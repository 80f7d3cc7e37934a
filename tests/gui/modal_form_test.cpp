// The dialog frame and its standard controls, created in the test process. Keystrokes are posted
// before ShowModal runs, so the dialog's own loop handles them as it would the operator's.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "controls/win32/application.h"
#include "controls/win32/edit_control.h"
#include "controls/win32/list_box.h"
#include "controls/win32/modal_form.h"
#include "controls/win32/panel.h"
#include "controls/win32/push_button.h"
#include "support/driver.h"

namespace {

using namespace controls::win32;
using namespace gui_test;

constexpr UINT kRecordFocus = WM_APP + 1;
constexpr int kPanelId = 20;

class TestDialog final : public TModalForm {
 public:
  explicit TestDialog(Application& app)
      : TModalForm(app, app.Handle(), {"TTestModalForm", "Test dialog", 300, 160}),
        Panel(app, Handle(), kPanelId, {0, 0, 300, 100}, TPanelBevel::bvNone, TPanelBevel::bvNone),
        First(*this, Panel.Handle(), 11, {4, 4, 200, 21}),
        Second(*this, Panel.Handle(), 12, {4, 30, 200, 21}),
        Lines(*this, Handle(), 13, {210, 4, 80, 90}),
        Ok(*this, Handle(), IDOK, {60, 120, 75, 25}, "OK", ModalResult::Ok),
        Cancel(*this, Handle(), IDCANCEL, {140, 120, 75, 25}, "Cancel", ModalResult::Cancel) {
    AllowTabInto(Panel.Handle());
    SetDefaultButton(Ok);
    SetCancelButton(Cancel);
    SetActiveControl(First.Handle());
  }

  std::vector<HWND> focusSeen;

  TPanel Panel;
  TEdit First;
  TEdit Second;
  TListBox Lines;
  TButton Ok;
  TButton Cancel;

 protected:
  bool FormMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
    if (message == kRecordFocus) {
      focusSeen.push_back(::GetFocus());
      result = 0;
      return true;
    }
    return false;
  }
};

class ModalFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      GTEST_SKIP() << "windows need a display (DISPLAY under Wine)";
    }
    application = std::make_unique<Application>();
    application->SetTitle("QEL 26.1 Dumpwarden");
    dialog = std::make_unique<TestDialog>(*application);
  }
  void TearDown() override {
    dialog.reset();
    application.reset();
  }

  void Key(HWND target, WPARAM key) const { ::PostMessageA(target, WM_KEYDOWN, key, 1); }
  void RecordFocus() const { ::PostMessageA(dialog->Handle(), kRecordFocus, 0, 0); }

  std::unique_ptr<Application> application;
  std::unique_ptr<TestDialog> dialog;
};

TEST_F(ModalFormTest, EnterClicksTheDefaultButtonAndTheFieldsKeepWhatWasTyped) {
  int okClicks = 0;
  dialog->Ok.OnClick = [&] { ++okClicks; };
  dialog->First.SetText("server-1");  // data in
  Key(dialog->First.Handle(), VK_RETURN);
  EXPECT_EQ(dialog->ShowModal(), ModalResult::Ok);
  EXPECT_EQ(okClicks, 1);
  EXPECT_EQ(dialog->First.Text(), "server-1");  // data out
  EXPECT_FALSE(::IsWindowVisible(dialog->Handle())) << "the dialog hides when it ends";
}

TEST_F(ModalFormTest, EscapeAndTheCloseBoxAnswerCancel) {
  int cancelClicks = 0;
  dialog->Cancel.OnClick = [&] { ++cancelClicks; };
  Key(dialog->First.Handle(), VK_ESCAPE);
  EXPECT_EQ(dialog->ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(cancelClicks, 1);

  ::PostMessageA(dialog->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(dialog->ShowModal(), ModalResult::Cancel) << "a second run of the same dialog";
  EXPECT_EQ(cancelClicks, 1) << "the close box does not click the button";
}

TEST_F(ModalFormTest, TabGoesThroughTheControlsInCreationOrderAlsoInsideThePanel) {
  RecordFocus();
  Key(dialog->First.Handle(), VK_TAB);
  RecordFocus();
  Key(dialog->Second.Handle(), VK_TAB);
  RecordFocus();
  Key(dialog->Lines.Handle(), VK_TAB);
  RecordFocus();
  Key(dialog->Ok.Handle(), VK_TAB);
  RecordFocus();
  Key(dialog->Cancel.Handle(), VK_TAB);
  RecordFocus();
  ::PostMessageA(dialog->Handle(), WM_CLOSE, 0, 0);
  dialog->ShowModal();
  const std::vector<HWND> expected{dialog->First.Handle(), dialog->Second.Handle(), dialog->Lines.Handle(),
                                   dialog->Ok.Handle(),    dialog->Cancel.Handle(), dialog->First.Handle()};
  EXPECT_EQ(dialog->focusSeen, expected);
}

TEST_F(ModalFormTest, EnterOnTheFocusedCancelButtonCancels) {
  Key(dialog->First.Handle(), VK_TAB);
  Key(dialog->Second.Handle(), VK_TAB);
  Key(dialog->Lines.Handle(), VK_TAB);
  Key(dialog->Ok.Handle(), VK_TAB);
  Key(dialog->Cancel.Handle(), VK_RETURN);
  EXPECT_EQ(dialog->ShowModal(), ModalResult::Cancel);
}

TEST_F(ModalFormTest, OtherWindowsOfTheProgramAreDisabledOnlyWhileItRuns) {
  HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  bool enabledDuring = true;
  dialog->Ok.OnClick = [&] { enabledDuring = ::IsWindowEnabled(other) != FALSE; };
  Key(dialog->First.Handle(), VK_RETURN);
  dialog->ShowModal();
  EXPECT_FALSE(enabledDuring);
  EXPECT_TRUE(::IsWindowEnabled(other));
  ::DestroyWindow(other);
}

TEST_F(ModalFormTest, ActivationGoesBackToTheWindowThatHadIt) {
  HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  ::SetForegroundWindow(owner);
  ::SetActiveWindow(owner);
  ASSERT_EQ(::GetActiveWindow(), owner);
  HWND activeDuring = nullptr;
  dialog->Ok.OnClick = [&] { activeDuring = ::GetActiveWindow(); };
  Key(dialog->First.Handle(), VK_RETURN);
  dialog->ShowModal();
  EXPECT_EQ(activeDuring, dialog->Handle());
  EXPECT_EQ(::GetActiveWindow(), owner);
  ::DestroyWindow(owner);
}

TEST_F(ModalFormTest, AFailingOkHandlerShowsTheErrorBoxAndTheDialogStillEndsWithOk) {
  dialog->Ok.OnClick = [] { throw std::runtime_error("Unable to write to X:\\Connect\\Connect.ini"); };
  std::string boxText;
  std::thread closer([&] {
    HWND box = WaitForProcessWindow(::GetCurrentProcessId(), "#32770", "QEL 26.1 Dumpwarden", true);
    if (box != nullptr) {
      boxText = WindowText(::GetDlgItem(box, 0xFFFF));
      ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
  });
  Key(dialog->First.Handle(), VK_RETURN);
  const ModalResult result = dialog->ShowModal();
  closer.join();
  EXPECT_EQ(result, ModalResult::Ok);
  EXPECT_EQ(boxText, "Unable to write to X:\\Connect\\Connect.ini.");
}

TEST_F(ModalFormTest, AHandlerCanRefuseTheButtonsResult) {
  int clicks = 0;
  dialog->Ok.OnClick = [&] {
    if (++clicks == 1) {
      dialog->SetModalResult(ModalResult::None);  // first Enter refused, dialog stays
    }
  };
  Key(dialog->First.Handle(), VK_RETURN);
  Key(dialog->First.Handle(), VK_RETURN);
  EXPECT_EQ(dialog->ShowModal(), ModalResult::Ok);
  EXPECT_EQ(clicks, 2);
}

TEST_F(ModalFormTest, QuitDuringTheDialogCancelsItAndReachesTheOuterLoop) {
  ::PostQuitMessage(3);
  EXPECT_EQ(dialog->ShowModal(), ModalResult::Cancel);
  MSG message{};
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
}

TEST_F(ModalFormTest, ControlsReadBackWhatWasPutIn) {
  dialog->Second.SetPasswordChar('*');
  dialog->Second.SetText("pa;ss\"word");
  EXPECT_EQ(dialog->Second.Text(), "pa;ss\"word") << "the password character only changes what is shown";
  EXPECT_EQ(::SendMessageA(dialog->Second.Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
  dialog->First.SetText("dumpwarden");
  dialog->First.SelectAll();
  int start = -1;
  int end = -1;
  dialog->First.GetSelection(start, end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 10);

  dialog->Lines.Add("08:00");
  dialog->Lines.Add("12:30");
  dialog->Lines.Insert(0, "06:15");
  EXPECT_EQ(dialog->Lines.Items(), (std::vector<std::string>{"06:15", "08:00", "12:30"}));
  EXPECT_EQ(dialog->Lines.IndexOf("12:30"), 2);
  EXPECT_EQ(dialog->Lines.IndexOf("13:00"), -1);
  dialog->Lines.SetItemIndex(1);
  EXPECT_EQ(dialog->Lines.ItemIndex(), 1);
  dialog->Lines.Delete(0);
  EXPECT_EQ(dialog->Lines.Count(), 2);
  EXPECT_THROW(dialog->Lines.Delete(5), std::out_of_range);
  EXPECT_THROW((void)dialog->Lines.Item(-1), std::out_of_range);
  dialog->Lines.Clear();
  EXPECT_EQ(dialog->Lines.ItemIndex(), -1);
}

TEST_F(ModalFormTest, ADisabledButtonIsNotClicked) {
  int clicks = 0;
  dialog->Ok.OnClick = [&] { ++clicks; };
  dialog->Ok.SetEnabled(false);
  dialog->Ok.Click();
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(dialog->CurrentModalResult(), ModalResult::None);
}

}  // namespace
