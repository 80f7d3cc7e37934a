// The history window, created inside the test process: what it lists from prepared logs, Refresh,
// its keys, its place beside the rest of the program, and a huge log.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/win32/main_window.h"
#include "backup/history_columns.h"
#include "backup/history_log.h"
#include "backup/win32/history_window.h"
#include "controls/win32/application.h"
#include "support/driver.h"
#include "support/temp_dir.h"

namespace {

using backup::HistoryLine;
using backup::RunOutcome;
using backup::RunRecord;
using backup::win32::THistoryForm;
using controls::win32::Application;
using namespace gui_test;
using testing_support::TempDir;
using testing_support::WriteBytes;

RunRecord Record(int minute, RunOutcome outcome, const std::string& text) {
  RunRecord r;
  r.start = {2026, 12, 9, 2, minute, 0, 0};
  r.backupFileName = "QEL_0" + std::to_string(minute) + ".bak";
  r.archiveBytes = 2u * 1024u * 1024u;
  r.copiesMade = outcome == RunOutcome::kOk ? 2 : 1;
  r.copiesListed = 2;
  r.outcome = outcome;
  r.outcomeText = text;
  r.totalMs = 3420;
  return r;
}

class HistoryWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) {
      GTEST_SKIP() << "windows need a display (DISPLAY under Wine)";
    }
    testing_support::MakeDir(dir.File("Bak_Info"));
    application = std::make_unique<Application>();
    application->SetTitle("QEL 26.1 Dumpwarden");
  }
  void TearDown() override {
    form.reset();
    application.reset();
  }

  std::string Log() const { return dir.File("Bak_Info\\history.log"); }
  std::string OldLog() const { return dir.File("Bak_Info\\history.old.log"); }

  void OpenForm() {
    form = std::make_unique<THistoryForm>(*application, dir.Path());
    form->OnClosed = [this] { ++closed; };
    form->Open();
  }
  std::string Cell(int row, backup::HistoryColumn column) const { return form->List.Text(row, column); }

  TempDir dir;
  std::unique_ptr<Application> application;
  std::unique_ptr<THistoryForm> form;
  int closed = 0;
};

TEST_F(HistoryWindowTest, ListsRunsOfEveryOutcomeNewestFirstAndAFailedRunStandsOut) {
  backup::CleanupResult cleanup;
  cleanup.time = {2026, 12, 9, 2, 3, 9, 0};
  cleanup.events.push_back({backup::CleanupEvent::Kind::kRemoved, "E:\\Mirror\\Copy of QEL_01.rar", "made x"});
  RunRecord withCleanup = Record(3, RunOutcome::kOk, "");
  withCleanup.cleanup = cleanup;
  WriteBytes(OldLog(), HistoryLine(Record(1, RunOutcome::kOk, "")));
  WriteBytes(Log(), HistoryLine(Record(2, RunOutcome::kWarning, "1 of 2 copies failed.")) + "\x01garbled\r\n" +
                        HistoryLine(withCleanup) + backup::CleanupLines(cleanup) +
                        HistoryLine(Record(4, RunOutcome::kError, "Server does not answer")) +
                        "2026-12-09 05:00:00.000\tmissed\ttimes=05:00\tcause=the computer was off\r\n");
  OpenForm();

  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  EXPECT_EQ(WindowText(form->Handle()), "History");
  EXPECT_EQ(::GetWindow(form->Handle(), GW_OWNER), application->Handle());
  EXPECT_TRUE(::IsWindowEnabled(application->Handle())) << "open beside the program, not modal";

  ASSERT_EQ(form->List.Count(), 7);
  struct Expected {
    const char* time;
    const char* kind;
    const char* outcome;
    const char* file;
    int image;
  };
  const Expected rows[] = {
      {"2026-12-09 05:00:00", "missed", "", "", backup::win32::kHistoryImageError},
      {"2026-12-09 02:04:00", "scheduled", "error", "QEL_04.bak", backup::win32::kHistoryImageError},
      {"2026-12-09 02:03:09", "clean-up", "removed", "", controls::win32::TListView::kNoImage},
      {"2026-12-09 02:03:00", "scheduled", "ok", "QEL_03.bak", backup::win32::kHistoryImageOk},
      {"", "", "unreadable", "", backup::win32::kHistoryImageUnreadable},
      {"2026-12-09 02:02:00", "scheduled", "warning", "QEL_02.bak", backup::win32::kHistoryImageWarning},
      {"2026-12-09 02:01:00", "scheduled", "ok", "QEL_01.bak", backup::win32::kHistoryImageOk},
  };
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(Cell(i, backup::kHistoryTime), rows[i].time) << i;
    EXPECT_EQ(Cell(i, backup::kHistoryKind), rows[i].kind) << i;
    EXPECT_EQ(Cell(i, backup::kHistoryOutcome), rows[i].outcome) << i;
    EXPECT_EQ(Cell(i, backup::kHistoryFile), rows[i].file) << i;
    EXPECT_EQ(form->List.Image(i), rows[i].image) << i;
  }
  EXPECT_EQ(Cell(0, backup::kHistoryText), "times: 05:00; cause: the computer was off");
  EXPECT_EQ(Cell(1, backup::kHistoryText), "Server does not answer");
  EXPECT_EQ(Cell(1, backup::kHistoryArchiveSize), "2.0 MB");
  EXPECT_EQ(Cell(1, backup::kHistoryCopies), "1 of 2");
  EXPECT_EQ(Cell(1, backup::kHistoryDuration), "3.4 s");
  EXPECT_EQ(Cell(5, backup::kHistoryText), "1 of 2 copies failed.");
  EXPECT_EQ(Cell(4, backup::kHistoryText), " garbled");
}

TEST_F(HistoryWindowTest, RefreshShowsWhatWasWrittenMeanwhileAndNoFileIsHeldOpen) {
  WriteBytes(Log(), HistoryLine(Record(1, RunOutcome::kOk, "")));
  OpenForm();
  ASSERT_EQ(form->List.Count(), 1);

  // A run ends meanwhile, and the next one's line is half written.
  const std::string next = HistoryLine(Record(3, RunOutcome::kError, "late"));
  WriteBytes(Log(), HistoryLine(Record(1, RunOutcome::kOk, "")) + HistoryLine(Record(2, RunOutcome::kOk, "")) +
                        next.substr(0, 30));
  EXPECT_EQ(form->List.Count(), 1) << "read only when asked";
  ::SendMessageA(form->Refresh_Btn.Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(form->List.Count(), 2);
  EXPECT_EQ(Cell(0, backup::kHistoryFile), "QEL_02.bak");

  // The half-written line is finished, then the log is rotated (renamed) and removed while the
  // window is open.
  WriteBytes(Log(), HistoryLine(Record(1, RunOutcome::kOk, "")) + HistoryLine(Record(2, RunOutcome::kOk, "")));
  EXPECT_TRUE(::MoveFileExA(Log().c_str(), OldLog().c_str(), MOVEFILE_REPLACE_EXISTING));
  WriteBytes(Log(), next);
  ::SendMessageA(form->Refresh_Btn.Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(form->List.Count(), 3) << "the rotated part follows the new one";
  EXPECT_EQ(Cell(0, backup::kHistoryText), "late");
  EXPECT_TRUE(::DeleteFileA(Log().c_str()));
  EXPECT_TRUE(::DeleteFileA(OldLog().c_str()));
  ::SendMessageA(form->Refresh_Btn.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form->List.Count(), 0) << "no log: an empty list";
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
}

TEST_F(HistoryWindowTest, EscapeCloseAndTheCloseBoxEachCloseIt) {
  OpenForm();
  // Escape goes through the program's own message loop, which gives the window its dialog keys.
  ::PostMessageA(form->List.Handle(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::PostMessageA(form->List.Handle(), WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
  ::PostQuitMessage(0);
  application->Run();
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(::IsWindowVisible(form->Handle()));

  form->Open();
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  ::SendMessageA(form->Close_Btn.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(closed, 2);
  EXPECT_FALSE(::IsWindowVisible(form->Handle()));

  form->Open();
  ::SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(closed, 3);
  EXPECT_FALSE(::IsWindowVisible(form->Handle()));
}

TEST_F(HistoryWindowTest, OpenFolderOfAMissingBackupFolderSaysSoAndTheWindowStaysOpen) {
  const std::string missing = dir.File("no-such-folder");
  WriteBytes(dir.File("Bak_Info\\Bak_Info.ini"), "[BAK]\r\nBakDir=" + missing + "\r\n");
  OpenForm();
  std::string text;
  std::thread inspector([&] {
    HWND box = WaitForProcessWindow(::GetCurrentProcessId(), "#32770", "QEL 26.1 Dumpwarden", true);
    if (box != nullptr) {
      text = WindowText(::GetDlgItem(box, 0xFFFF));
      ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
  });
  ::SendMessageA(form->OpenFolder_Btn.Handle(), BM_CLICK, 0, 0);
  inspector.join();
  EXPECT_EQ(text, "The backup folder " + missing + " does not exist.");
  EXPECT_TRUE(::IsWindowVisible(form->Handle()));
  EXPECT_EQ(closed, 0);
}

// A log fifty times the size the program lets it grow to opens at once: only its end is read.
TEST_F(HistoryWindowTest, AFiftyMegabyteLogOpensWithinASecond) {
  std::string block;
  for (int i = 0; i < 1000; ++i) {
    block += HistoryLine(Record(i % 60, RunOutcome::kOk, ""));
  }
  std::string text;
  text.reserve(51u * 1024u * 1024u);
  while (text.size() < 50u * 1024u * 1024u) {
    text += block;
  }
  text += HistoryLine(Record(59, RunOutcome::kError, "the newest"));
  WriteBytes(Log(), text);
  text.clear();

  const auto start = std::chrono::steady_clock::now();
  OpenForm();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(form->List.Count(), 200);
  EXPECT_EQ(Cell(0, backup::kHistoryText), "the newest");
  EXPECT_LE(form->BytesRead(), 128u * 1024u);
  EXPECT_LT(elapsed, std::chrono::seconds(1))
      << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms";
  std::printf("50 MB log: window open and filled in %lld ms, %llu bytes read\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()),
              static_cast<unsigned long long>(form->BytesRead()));
}

// Through the tray menu of the main window: one window however often it is asked for, destroyed when
// closed.
TEST(HistoryMenuTest, HistoryOpensOneWindowBesideThePanelAndClosingDestroysIt) {
  if (!DisplayAvailable()) {
    GTEST_SKIP() << "windows need a display (DISPLAY under Wine)";
  }
  Application application;
  application.SetShowMainForm(false);
  application.SetTitle(app::win32::kProgramTitle);
  app::win32::TForm1 main(application);
  application.SetMainForm(main.Handle());
  main.Hide();

  ::SendMessageA(main.Handle(), WM_COMMAND, app::win32::kHistoryMCommand, 0);
  HWND first = FindProcessWindow(::GetCurrentProcessId(), backup::win32::kHistoryFormClass, nullptr, true);
  ASSERT_NE(first, nullptr) << "enabled before any connection";
  ::ShowWindow(first, SW_MINIMIZE);
  ::SendMessageA(main.Handle(), WM_COMMAND, app::win32::kHistoryMCommand, 0);
  HWND second = FindProcessWindow(::GetCurrentProcessId(), backup::win32::kHistoryFormClass, nullptr, true);
  EXPECT_EQ(second, first) << "the open one, brought to the front";
  EXPECT_FALSE(::IsIconic(first));
  EXPECT_TRUE(main.AlarmClock1.Handle() != nullptr && ::IsWindowEnabled(main.Handle())) << "the panel stays usable";

  ::SendMessageA(first, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(first); })) << "destroyed once closed";
  EXPECT_EQ(FindProcessWindow(::GetCurrentProcessId(), backup::win32::kHistoryFormClass), nullptr);
  EXPECT_TRUE(main.History_M.Enabled());

  // Open when the program ends: it goes with the main window.
  ::SendMessageA(main.Handle(), WM_COMMAND, app::win32::kHistoryMCommand, 0);
  EXPECT_NE(FindProcessWindow(::GetCurrentProcessId(), backup::win32::kHistoryFormClass, nullptr, true), nullptr);
}

}  // namespace
