// Connecting at start, driven from outside as an operator would: the program runs from a folder of
// its own (with Connect and Bak_Info) against the stand-in SQL Server that ctest starts.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/win32/main_form_ids.h"
#include "db/win32/connection_dialog_ids.h"
#include "db/credentials_file.h"
#include "host/host_commands.h"
#include "support/program_fixture.h"
#include "support/temp_dir.h"

namespace {

using namespace gui_test;
using testing_support::MakeDir;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using app::win32::kLabel2Id;
using app::win32::kLoginBtnId;
using app::win32::kMomentBakBtnId;
using app::win32::kPanel2Id;
using app::win32::kRefreshBtnId;
using app::win32::kShowpanelMCommand;
using db::win32::kConnectPanelId;
using db::win32::kDatabaseEditId;
using db::win32::kLoginPanelId;
using db::win32::kPasswordEditId;
using db::win32::kServerEditId;
using db::win32::kUserEditId;

// The first dialog waits three seconds for the start-up timer, and the machine may be busy.
constexpr DWORD kDialogWaitMs = 20000;

constexpr const char* kUser = "dumpwarden";
constexpr const char* kPassword = "Bak-Up-2024";
constexpr const char* kCheckBalloon = "INFO|Checkup of connection is completed successfully!!!";

std::string ServerPort() {
#ifdef DW_TDS_WORK_DIR
  std::ifstream file(WindowsPath(DW_TDS_WORK_DIR) + "\\port");
  std::string port;
  file >> port;
  return port;
#else
  return {};
#endif
}

class ConnectProgramTest : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    if (IsSkipped()) {
      return;
    }
    port_ = ServerPort();
    if (port_.empty()) {
      GTEST_SKIP() << "the stand-in server is not running (configure with DW_TDS_SERVER)";
    }
    MakeDir(folder.File("Connect"));
    MakeDir(folder.File("Bak_Info"));
    // One entry: whatever the time, it is the one armed (later today, or tomorrow after the wrap).
    WriteBytes(folder.File("Bak_Info\\Bak_Info.ini"), "[BAK]\r\nTimeCount=1\r\nTime_1=23:59\r\n");
  }

  // Copies a program into the folder, so that its own directory is the folder.
  std::string Install(const char* buildPath, const char* name) {
    const std::string target = folder.File(name);
    EXPECT_TRUE(::CopyFileA(WindowsPath(buildPath).c_str(), target.c_str(), FALSE)) << "cannot copy " << buildPath;
    return target;
  }
  void StoreConnection(const std::string& password) {
    WriteBytes(folder.File("Connect\\Connect.ini"), "[Connect]\r\nServer=" + Server() + "\r\nDB=QEL\r\n");
    db::WriteCredentialsFile(DataDat(), db::Get_CompName(), db::Credentials{kUser, password});
  }
  [[nodiscard]] std::string Server() const { return "127.0.0.1," + port_; }
  [[nodiscard]] std::string DataDat() const { return folder.File("Connect\\Data.dat"); }
  [[nodiscard]] bool Exists(const std::string& path) const {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  HWND WaitForDialog() const { return WaitForProcessWindow(pid, "TForm2", "Connection...", true, kDialogWaitMs); }
  static bool InLoginMode(HWND dialog) {
    return ::IsWindowVisible(dialog) && !::IsWindowVisible(::GetDlgItem(dialog, kConnectPanelId)) &&
           ::IsWindowVisible(::GetDlgItem(dialog, kLoginPanelId));
  }
  static HWND Field(HWND dialog, int panel, int id) { return ::GetDlgItem(::GetDlgItem(dialog, panel), id); }
  static void Type(HWND edit, const std::string& text) {
    ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  [[nodiscard]] bool Connected() const {
    return ::IsWindowEnabled(Control(kRefreshBtnId)) && ::IsWindowEnabled(Control(kLoginBtnId)) &&
           ::IsWindowEnabled(Control(kMomentBakBtnId));
  }

  TempDir folder;
  std::string port_;
};

TEST_F(ConnectProgramTest, FirstStartFromAnEmptyFolderAsksForServerThenLoginAndEndsConnected) {
  const std::string host = Install(DW_GUI_HOST_EXE, "dw_gui_host.exe");
  ASSERT_NO_FATAL_FAILURE(Start(host.c_str(), "startup balloons"));
  HWND dialog = WaitForDialog();
  ASSERT_NE(dialog, nullptr) << "no connection dialog";
  ASSERT_TRUE(::IsWindowVisible(::GetDlgItem(dialog, kConnectPanelId))) << "server mode first";
  Type(Field(dialog, kConnectPanelId, kServerEditId), Server());
  Type(Field(dialog, kConnectPanelId, kDatabaseEditId), "QEL");
  ::PostMessageA(Field(dialog, kConnectPanelId, kServerEditId), WM_KEYDOWN, VK_RETURN, 1);  // Enter: OK

  ASSERT_TRUE(WaitUntil([&] { return InLoginMode(dialog); })) << "no login dialog after the server";
  const std::string ini = ReadBytes(folder.File("Connect\\Connect.ini"));
  EXPECT_NE(ini.find("Server=" + Server()), std::string::npos) << ini;
  EXPECT_NE(ini.find("DB=QEL"), std::string::npos) << ini;
  EXPECT_FALSE(Exists(DataDat()));
  Type(Field(dialog, kLoginPanelId, kUserEditId), kUser);
  Type(Field(dialog, kLoginPanelId, kPasswordEditId), kPassword);
  ::PostMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);

  HWND balloons = WaitForProcessWindow(pid, kBalloonLogClass);
  ASSERT_NE(balloons, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(balloons) == kCheckBalloon; }, kDialogWaitMs))
      << "balloon: \"" << WindowText(balloons) << "\"";
  EXPECT_TRUE(Connected());
  EXPECT_EQ(WindowText(Control(kPanel2Id, kLabel2Id)), "23:59") << "the next backup time";
  const auto stored = db::ReadCredentialsFile(DataDat(), db::Get_CompName());
  ASSERT_TRUE(stored.has_value()) << "Data.dat written";
  EXPECT_EQ(stored->userName, kUser);
  EXPECT_EQ(stored->password, kPassword);
  EXPECT_TRUE(WaitUntil([&] { return FindProcessWindow(pid, "TForm2") == nullptr; })) << "the dialog is destroyed";
  EXPECT_TRUE(WaitUntil([&] { return ApplicationMinimised(); })) << "back in the tray";

  // "Show panel..." is enabled now, and shows the panel.
  ::PostMessageA(form, WM_COMMAND, kShowpanelMCommand, 0);
  EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(form) != FALSE; }));
}

TEST_F(ConnectProgramTest, ASecondStartConnectsWithoutAnyDialog) {
  StoreConnection(kPassword);
  const std::string exe = Install(DW_PROGRAM_EXE, "dumpwarden.exe");
  ASSERT_NO_FATAL_FAILURE(Start(exe.c_str()));
  bool dialogSeen = false;
  const bool connected = WaitUntil(
      [&] {
        dialogSeen = dialogSeen || FindProcessWindow(pid, "TForm2", nullptr, true) != nullptr ||
                     FindProcessWindow(pid, "#32770", nullptr, true) != nullptr;
        return Connected() && ApplicationMinimised();
      },
      kDialogWaitMs);
  EXPECT_TRUE(connected);
  EXPECT_FALSE(dialogSeen) << "no dialog and no box";
  EXPECT_EQ(WindowText(Control(kPanel2Id, kLabel2Id)), "23:59");
  EXPECT_FALSE(HasVisibleWindow(pid));
  EXPECT_TRUE(program->Running());
}

TEST_F(ConnectProgramTest, AWrongStoredPasswordGivesTheErrorBoxThenTheLoginDialog) {
  StoreConnection("changed-on-the-server");
  const std::string exe = Install(DW_PROGRAM_EXE, "dumpwarden.exe");
  ASSERT_NO_FATAL_FAILURE(Start(exe.c_str()));
  HWND box = WaitForProcessWindow(pid, "#32770", "Error", true, kDialogWaitMs);
  ASSERT_NE(box, nullptr) << "no Error box";
  const std::string text = WindowText(::GetDlgItem(box, 0xFFFF));
  EXPECT_NE(text.find("Login failed for user 'dumpwarden'"), std::string::npos) << text;
  EXPECT_FALSE(Exists(DataDat())) << "refused credentials are deleted";
  EXPECT_EQ(FindProcessWindow(pid, "TForm2", nullptr, true), nullptr) << "the box comes before the dialog";
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);

  HWND dialog = WaitForDialog();
  ASSERT_NE(dialog, nullptr) << "no login dialog after the box";
  EXPECT_TRUE(WaitUntil([&] { return InLoginMode(dialog); })) << "only the credentials are asked again";
  Type(Field(dialog, kLoginPanelId, kUserEditId), kUser);
  Type(Field(dialog, kLoginPanelId, kPasswordEditId), kPassword);
  ::PostMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return Connected(); }, kDialogWaitMs));
  EXPECT_EQ(db::ReadCredentialsFile(DataDat(), db::Get_CompName())->password, kPassword);
}

TEST_F(ConnectProgramTest, CancelInTheConnectionDialogEndsTheProgramAndRemovesItsIcon) {
  const std::string exe = Install(DW_PROGRAM_EXE, "dumpwarden.exe");
  ASSERT_NO_FATAL_FAILURE(Start(exe.c_str()));
  HWND dialog = WaitForDialog();
  ASSERT_NE(dialog, nullptr) << "no connection dialog";
  ::PostMessageA(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(program->WaitForExit(kWaitMs)) << "Cancel did not end the program";
  EXPECT_EQ(program->ExitCode(), 0u);
  EXPECT_FALSE(IconKnownToShell(tray, kProgramTrayIconId));
  EXPECT_FALSE(Exists(folder.File("Connect\\Connect.ini"))) << "nothing written on Cancel";
}

}  // namespace
