#include "controls/form_activation.h"

#include <gtest/gtest.h>

namespace {

using controls::FormActivation;

constexpr FormActivation::FormId kMain = 0x100;
constexpr FormActivation::FormId kDialog = 0x200;
constexpr FormActivation::FormId kMessageBox = 0x300;  // a window of the program that is no form
constexpr FormActivation::FormId kOtherProgram = 0;   // WM_ACTIVATE names no window of another thread

TEST(FormActivationTest, HandlerRunsOnlyWhenActivationPassesStraightFromAnotherForm) {
  FormActivation activation;
  EXPECT_FALSE(activation.Activated(kMain, kOtherProgram)) << "the first activation";
  EXPECT_FALSE(activation.Activated(kMain, kMessageBox)) << "a message box closed";
  EXPECT_TRUE(activation.Activated(kDialog, kMain)) << "a dialog opened over the main window";
  EXPECT_TRUE(activation.Activated(kMain, kDialog)) << "the dialog closed, activation returned";
  EXPECT_FALSE(activation.Activated(kMain, kMain));
  EXPECT_FALSE(activation.Activated(kMain, kOtherProgram)) << "back from another program";
  EXPECT_EQ(activation.ActiveForm(), kMain);
}

TEST(FormActivationTest, ADestroyedDialogNoLongerCounts) {
  FormActivation activation;
  activation.Activated(kMain, 0);
  activation.Activated(kDialog, kMain);
  activation.Destroyed(kDialog);
  EXPECT_EQ(activation.ActiveForm(), 0u) << "the active dialog went";
  EXPECT_FALSE(activation.Activated(kMain, kDialog)) << "a new window with the dialog's old handle is no form";
  activation.Destroyed(kDialog);  // unknown by now: nothing happens
  EXPECT_EQ(activation.ActiveForm(), kMain);
}

}  // namespace
