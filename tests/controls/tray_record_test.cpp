#include "controls/tray_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using controls::TBalloonIconKind;
using controls::TrayLayout;
using controls::TrayNotification;
using controls::TrayRecordFields;

TEST(TrayLayoutTest, ShellVersionFiveAndLaterGetTheBalloonLayout) {
  struct Case {
    unsigned shellMajor;
    TrayLayout layout;
  };
  for (const Case& c : {Case{0, TrayLayout::kVersion1}, Case{4, TrayLayout::kVersion1}, Case{5, TrayLayout::kVersion5},
                        Case{6, TrayLayout::kVersion5}, Case{10, TrayLayout::kVersion5}}) {
    EXPECT_EQ(controls::ChooseTrayLayout(c.shellMajor), c.layout) << "shell major version " << c.shellMajor;
  }
  EXPECT_FALSE(controls::BalloonCapable(TrayLayout::kVersion1));
  EXPECT_TRUE(controls::BalloonCapable(TrayLayout::kVersion5));
}

TEST(TrayLayoutTest, RecordSizesOfThe32And64BitPrograms) {
  EXPECT_EQ(controls::TrayRecordSize(TrayLayout::kVersion1, 4), 88u);
  EXPECT_EQ(controls::TrayRecordSize(TrayLayout::kVersion5, 4), 488u);
  // The 64-bit test build aligns its two handles to 8 bytes.
  EXPECT_EQ(controls::TrayRecordSize(TrayLayout::kVersion1, 8), 104u);
  EXPECT_EQ(controls::TrayRecordSize(TrayLayout::kVersion5, 8), 504u);
}

// Records every modification the shell would receive.
struct Recorder {
  std::vector<TrayRecordFields> modifications;
  TrayNotification Make(TrayLayout layout) {
    return TrayNotification(layout, [this](const TrayRecordFields& f) { modifications.push_back(f); });
  }
};

TEST(TrayBalloonTest, ShowWithdrawsThePreviousBalloonThenShowsAndLeavesFlagsSeven) {
  Recorder shell;
  TrayNotification record = shell.Make(TrayLayout::kVersion5);
  EXPECT_EQ(record.Fields().flags, controls::kNifMessage | controls::kNifIcon);

  record.ShowBalloonHint("INFO", "Checkup of connection is completed successfully!!!", TBalloonIconKind::bikInfo, 10);
  ASSERT_EQ(shell.modifications.size(), 2u);
  // The withdrawal: the current flags plus NIF_INFO, with an empty text.
  EXPECT_EQ(shell.modifications[0].flags, 0x03u | 0x10u);
  EXPECT_EQ(shell.modifications[0].info, "");
  // The balloon itself: NIF_INFO alone.
  EXPECT_EQ(shell.modifications[1].flags, 0x10u);
  EXPECT_EQ(shell.modifications[1].info, "Checkup of connection is completed successfully!!!");
  EXPECT_EQ(shell.modifications[1].infoTitle, "INFO");
  EXPECT_EQ(shell.modifications[1].timeoutMs, 10000u);
  EXPECT_EQ(shell.modifications[1].infoFlags, 1u);
  EXPECT_EQ(record.Fields().flags, 0x07u) << "later modifications carry message, icon and tip";

  record.ShowBalloonHint("INFO", "Bakup of database \"Sales\" is created.", TBalloonIconKind::bikInfo, 10);
  ASSERT_EQ(shell.modifications.size(), 4u);
  EXPECT_EQ(shell.modifications[2].flags, 0x17u) << "the second balloon first withdraws the first";
  EXPECT_EQ(shell.modifications[2].info, "");
  EXPECT_EQ(shell.modifications[3].flags, 0x10u);
  EXPECT_EQ(shell.modifications[3].info, "Bakup of database \"Sales\" is created.");
}

TEST(TrayBalloonTest, IconKindsAndTimeoutsReachTheRecord) {
  struct Case {
    TBalloonIconKind kind;
    std::uint8_t seconds;
    std::uint32_t infoFlags;
    std::uint32_t timeoutMs;
  };
  for (const Case& c : {Case{TBalloonIconKind::bikNone, 0, 0, 0}, Case{TBalloonIconKind::bikInfo, 1, 1, 1000},
                        Case{TBalloonIconKind::bikWarning, 30, 2, 30000},
                        Case{TBalloonIconKind::bikError, 255, 3, 255000}}) {
    Recorder shell;
    TrayNotification record = shell.Make(TrayLayout::kVersion5);
    record.ShowBalloonHint("t", "x", c.kind, c.seconds);
    ASSERT_EQ(shell.modifications.size(), 2u);
    EXPECT_EQ(shell.modifications[1].infoFlags, c.infoFlags);
    EXPECT_EQ(shell.modifications[1].timeoutMs, c.timeoutMs);
  }
}

TEST(TrayBalloonTest, ShellWithoutBalloonsGetsNothingAndNothingChanges) {
  Recorder shell;
  TrayNotification record = shell.Make(TrayLayout::kVersion1);
  record.ShowBalloonHint("INFO", "text", TBalloonIconKind::bikInfo, 10);
  record.HideBalloonHint();
  EXPECT_TRUE(shell.modifications.empty());
  EXPECT_EQ(record.Fields().flags, 0x03u);
  EXPECT_EQ(record.Fields().info, "");
}

TEST(TrayBalloonTest, HideAddsInfoToTheCurrentFlagsAndEmptiesTheText) {
  Recorder shell;
  TrayNotification record = shell.Make(TrayLayout::kVersion5);
  record.HideBalloonHint();
  ASSERT_EQ(shell.modifications.size(), 1u);
  EXPECT_EQ(shell.modifications[0].flags, 0x13u);
  EXPECT_EQ(shell.modifications[0].info, "");
}

TEST(TrayBalloonTest, TitleAndTextAreCutAtTheirLimits) {
  struct Case {
    std::size_t titleLength;
    std::size_t textLength;
    std::size_t titleKept;
    std::size_t textKept;
  };
  for (const Case& c : {Case{0, 0, 0, 0}, Case{63, 255, 63, 255}, Case{64, 256, 63, 255}, Case{200, 1000, 63, 255}}) {
    Recorder shell;
    TrayNotification record = shell.Make(TrayLayout::kVersion5);
    const std::string title(c.titleLength, 'T');
    std::string text(c.textLength, 'x');
    if (!text.empty()) {
      text.back() = 'E';  // the end is what must go
    }
    record.ShowBalloonHint(title, text, TBalloonIconKind::bikInfo, 10);
    ASSERT_EQ(shell.modifications.size(), 2u);
    EXPECT_EQ(shell.modifications[1].infoTitle, title.substr(0, c.titleKept));
    EXPECT_EQ(shell.modifications[1].info, text.substr(0, c.textKept));
  }
}

TEST(TrayHintTest, TooltipIsCutByLayoutAndTipFlagFollowsTheText) {
  struct Case {
    TrayLayout layout;
    std::size_t length;
    std::size_t kept;
  };
  for (const Case& c : {Case{TrayLayout::kVersion5, 127, 127}, Case{TrayLayout::kVersion5, 128, 127},
                        Case{TrayLayout::kVersion1, 63, 63}, Case{TrayLayout::kVersion1, 64, 63},
                        Case{TrayLayout::kVersion1, 500, 63}}) {
    Recorder shell;
    TrayNotification record = shell.Make(c.layout);
    const std::string hint(c.length, 'h');
    record.SetHint(hint);
    ASSERT_EQ(shell.modifications.size(), 1u);
    EXPECT_EQ(shell.modifications[0].tip.size(), c.kept);
    EXPECT_EQ(shell.modifications[0].flags, 0x07u);
    EXPECT_EQ(record.Hint(), hint) << "the hint itself keeps its full text";
  }
}

TEST(TrayHintTest, SameTextChangesNothingEmptyTextClearsTheTipFlag) {
  Recorder shell;
  TrayNotification record = shell.Make(TrayLayout::kVersion5);
  record.SetHint("");
  EXPECT_TRUE(shell.modifications.empty()) << "the hint starts empty";
  record.SetHint("Dumpwarden");
  record.SetHint("Dumpwarden");
  ASSERT_EQ(shell.modifications.size(), 1u);
  record.SetHint("");
  ASSERT_EQ(shell.modifications.size(), 2u);
  EXPECT_EQ(shell.modifications[1].flags, 0x03u);
  EXPECT_EQ(shell.modifications[1].tip, "");
}

}  // namespace
