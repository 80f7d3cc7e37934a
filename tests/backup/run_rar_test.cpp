#include "backup/run_rar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "backup/backup_names.h"
#include "db/program_dir.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

TEST(RarCommandLine, IsBuiltPieceByPiece) {
  EXPECT_EQ(backup::RarCommandLine("Shop_1200.rar", "D:\\Backup\\Shop_1200.bak", "D:\\Backup",
                                   "C:\\Program Files\\Winrar\\WinRar.exe"),
            "C:\\Program Files\\Winrar\\WinRar.exe a -ep \"D:\\Backup\\Shop_1200.rar\" \"D:\\Backup\\Shop_1200.bak\"")
      << "the archiver path stays unquoted even with spaces; both paths after the switch are quoted";
  EXPECT_EQ(backup::RarArguments("x.rar", "C:\\x.bak", "C:\\"), "a -ep \"C:\\\\x.rar\" \"C:\\x.bak\"");
  EXPECT_EQ(backup::RarCommandLine("a.rar", "D:\\a.bak", "D:", ""), " a -ep \"D:\\a.rar\" \"D:\\a.bak\"")
      << "an empty archiver path leaves the leading space";
  EXPECT_EQ(backup::RarTestCommandLine("D:\\Backup\\Shop_1200.rar", "C:\\Program Files\\WinRAR\\Rar.exe"),
            "C:\\Program Files\\WinRAR\\Rar.exe t \"D:\\Backup\\Shop_1200.rar\"");
}

TEST(SevenZipCommandLine, QuotesTheProgramAndKeepsTheWinRarLineAsItWas) {
  EXPECT_EQ(backup::SevenZipCommandLine("Shop_1200.7z", "D:\\Backup\\Shop_1200.bak", "D:\\Backup",
                                        "C:\\Program Files\\7-Zip\\7z.exe"),
            "\"C:\\Program Files\\7-Zip\\7z.exe\" a -t7z -mx=1 -y \"D:\\Backup\\Shop_1200.7z\" "
            "\"D:\\Backup\\Shop_1200.bak\"");
  EXPECT_EQ(backup::SevenZipArguments("x.7z", "C:\\x.bak", "C:\\"), "a -t7z -mx=1 -y \"C:\\\\x.7z\" \"C:\\x.bak\"");
  EXPECT_EQ(backup::SevenZipTestCommandLine("D:\\Backup\\Shop_1200.7z", "C:\\Program Files\\7-Zip\\7z.exe"),
            "\"C:\\Program Files\\7-Zip\\7z.exe\" t \"D:\\Backup\\Shop_1200.7z\"");
}

TEST(ArchiverKindOf, Recognises7ZipByItsProgramNameOnly) {
  using backup::ArchiverKind;
  const std::pair<const char*, ArchiverKind> cases[] = {
      {"C:\\Program Files\\7-Zip\\7z.exe", ArchiverKind::kSevenZip},
      {"C:\\7-Zip\\7ZA.EXE", ArchiverKind::kSevenZip},
      {"D:/tools/7zr.exe", ArchiverKind::kSevenZip},
      {"7Zz.Exe", ArchiverKind::kSevenZip},
      {"\\\\server\\share\\7z.exe", ArchiverKind::kSevenZip},
      {"C:\\Program Files\\WinRAR\\WinRAR.exe", ArchiverKind::kRar},
      {"C:\\Program Files\\WinRAR\\Rar.exe", ArchiverKind::kRar},
      {"C:\\Program Files\\7-Zip\\7zFM.exe", ArchiverKind::kRar},  // the file manager has no command line
      {"C:\\Program Files\\7-Zip\\7zG.exe", ArchiverKind::kRar},
      {"C:\\7z.exe\\Rar.exe", ArchiverKind::kRar},  // a folder of that name does not count
      {"C:\\tools\\x7z.exe", ArchiverKind::kRar},
      {"C:\\tools\\7z.exe.bak", ArchiverKind::kRar},
      {"C:\\tools\\7z", ArchiverKind::kRar},
      {"C:\\tools\\ 7z.exe", ArchiverKind::kRar},
      {"C:\\tools\\", ArchiverKind::kRar},
      {"", ArchiverKind::kRar},
  };
  for (const auto& [path, kind] : cases) {
    EXPECT_EQ(backup::ArchiverKindOf(path), kind) << path;
  }
  EXPECT_EQ(backup::FormBackupNames("D:\\Backup", "Shop_1200.bak", ArchiverKind::kSevenZip).archivePath,
            "D:\\Backup\\Shop_1200.7z");
  EXPECT_EQ(backup::FormBackupNames("D:", "Shop.bk", ArchiverKind::kSevenZip).archiveName, "Sho.7z")
      << "the same four characters go as for WinRAR";
  EXPECT_EQ(backup::FormBackupNames("D:", "abc", ArchiverKind::kSevenZip).archiveName, ".7z");
}

std::string StandinName() {
#if defined(_WIN32)
  return "dw_rar_standin.exe";
#else
  return "dw_rar_standin";
#endif
}

// A copy of the stand-in archiver in the test's own folder, so that its mode file concerns this test only.
std::string OwnArchiver(const TempDir& dir, const std::string& mode = "") {
  const std::string archiver = dir.File(StandinName());
  EXPECT_TRUE(platform::CopyFileOverwrite(db::ExeDir() + "\\" + StandinName(), archiver));
#if !defined(_WIN32)
  namespace fs = std::filesystem;
  fs::permissions(testing_support::Native(archiver),
                  fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
#endif
  if (!mode.empty()) {
    testing_support::WriteBytes(dir.File("dw_rar_standin.mode"), mode + "\n");
  }
  return archiver;
}

TEST(RunRar, PacksInTheBackupDirectoryWaitsAndGivesTheExitCode) {
  TempDir tools;
  TempDir dir;
  const std::string archiver = OwnArchiver(tools);
  const std::string source = dir.File("Shop_1200.bak");
  testing_support::WriteBytes(source, std::string(100000, 'q'));
  EXPECT_EQ(backup::RunRar("Shop_1200.rar", source, dir.Path(), archiver), 0u);
  // Returning means the archiver has ended: the archive must already be complete and pass the test.
  EXPECT_TRUE(platform::FileExists(dir.File("Shop_1200.rar")));
  EXPECT_TRUE(platform::FileExists(dir.File("dw_rar_standin.lastrun"))) << "working directory is the backup folder";
  EXPECT_TRUE(platform::FileExists(source)) << "packing never removes the source";
  EXPECT_EQ(backup::TestRar(dir.File("Shop_1200.rar"), dir.Path(), archiver), 0u);
}

TEST(RunRar, AMissingOrEmptyArchiverGivesNoExitCodeAndNoArchive) {
  TempDir dir;
  const std::string source = dir.File("a.bak");
  testing_support::WriteBytes(source, "x");
  EXPECT_EQ(backup::RunRar("a.rar", source, dir.Path(), ""), std::nullopt);
  EXPECT_EQ(backup::RunRar("a.rar", source, dir.Path(), dir.File("no-such-archiver.exe")), std::nullopt);
  EXPECT_EQ(backup::TestRar(dir.File("a.rar"), dir.Path(), dir.File("no-such-archiver.exe")), std::nullopt);
  EXPECT_FALSE(platform::FileExists(dir.File("a.rar")));
  EXPECT_TRUE(platform::FileExists(source));
}

TEST(RunRar, ArchiverFailuresShowInTheExitCodes) {
  TempDir dir;
  const std::string source = dir.File("s.bak");
  testing_support::WriteBytes(source, std::string(50000, 'z'));
  {
    TempDir tools;
    const std::string archiver = OwnArchiver(tools);
    EXPECT_NE(backup::RunRar("gone.rar", dir.File("gone.bak"), dir.Path(), archiver), 0u) << "no source file";
    EXPECT_NE(backup::TestRar(dir.File("gone.rar"), dir.Path(), archiver), 0u) << "no archive to test";
  }
  {
    TempDir tools;
    const std::string archiver = OwnArchiver(tools, "fail");
    EXPECT_EQ(backup::RunRar("s.rar", source, dir.Path(), archiver), 3u);
    EXPECT_FALSE(platform::FileExists(dir.File("s.rar")));
  }
  {
    TempDir tools;
    const std::string archiver = OwnArchiver(tools, "truncate");
    EXPECT_EQ(backup::RunRar("s.rar", source, dir.Path(), archiver), 0u) << "a cut archive, reported as success";
    EXPECT_TRUE(platform::FileExists(dir.File("s.rar")));
    EXPECT_NE(backup::TestRar(dir.File("s.rar"), dir.Path(), archiver), 0u) << "the test catches it";
  }
  {
    TempDir tools;
    const std::string archiver = OwnArchiver(tools, "crash");
    const auto exitCode = backup::RunRar("c.rar", source, dir.Path(), archiver);
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_NE(*exitCode, 0u);
  }
}

// The real 7-Zip as 7z.exe in a folder of the test's own: under Wine the launcher that runs Debian's
// 7zz, natively a link to 7zz itself.
std::string OwnSevenZip(const TempDir& dir) {
  const std::string program = dir.File("7z.exe");
#if defined(_WIN32)
  EXPECT_TRUE(platform::CopyFileOverwrite(db::ExeDir() + "\\dw_7z_launcher.exe", program));
#else
  std::error_code error;
  for (const char* place : {"/usr/bin/7zz", "/usr/local/bin/7zz"}) {
    if (std::filesystem::exists(place)) {
      std::filesystem::create_symlink(place, testing_support::Native(program), error);
      break;
    }
  }
  EXPECT_TRUE(platform::FileExists(program)) << "Debian's 7zip package (7zz) is not installed";
#endif
  return program;
}

// Half of it compressible pages, as the server's backups are, half noise that no archiver shrinks.
std::string BackupLikeBytes(std::size_t size) {
  std::string bytes;
  std::uint32_t state = 12345;
  while (bytes.size() < size) {
    const std::string page = "page " + std::to_string(bytes.size() / 8192) + " of table rows; ";
    for (std::size_t i = 0; i < 4096 && bytes.size() < size; ++i) {
      bytes += page[i % page.size()];
    }
    for (std::size_t i = 0; i < 4096 && bytes.size() < size; ++i) {
      state = state * 1103515245u + 12345u;
      bytes += static_cast<char>(state >> 24);
    }
  }
  return bytes;
}

TEST(RunRarWithSevenZip, PacksTheBareNameInTheBackupDirectoryAndTestsIt) {
  TempDir tools;
  TempDir root;
  const std::string sevenZip = OwnSevenZip(tools);
  // Blanks in the folder: every path on the command line must arrive as one argument.
  const std::string dir = root.File("SQL backup");
  testing_support::MakeDir(dir);
  const std::string source = dir + "\\Shop_1200.bak";
  const std::string content = BackupLikeBytes(3u << 20);
  testing_support::WriteBytes(source, content);
  ASSERT_EQ(backup::RunRar("Shop_1200.7z", source, dir, sevenZip), 0u);
  const std::string archive = dir + "\\Shop_1200.7z";
  ASSERT_TRUE(platform::FileExists(archive));
  EXPECT_TRUE(platform::FileExists(source)) << "packing never removes the source";
  EXPECT_LT(testing_support::ReadBytes(archive).size(), content.size() * 3 / 4) << "not compressed";
  EXPECT_EQ(testing_support::ListDir(dir), (std::vector<std::string>{"Shop_1200.7z", "Shop_1200.bak"}));
  EXPECT_EQ(backup::TestRar(archive, dir, sevenZip), 0u);

  // Extracted with folders into an empty folder, the archive gives back the one file, by its bare name.
  const std::string out = root.File("out");
  testing_support::MakeDir(out);
  ASSERT_EQ(platform::StartProcessAndWait("\"" + sevenZip + "\" x -y \"" + archive + "\"", out), 0u);
  EXPECT_EQ(testing_support::ListDir(out), std::vector<std::string>{"Shop_1200.bak"});
  EXPECT_TRUE(testing_support::ReadBytes(out + "\\Shop_1200.bak") == content) << "extracted file differs";
}

TEST(RunRarWithSevenZip, EveryFailureShowsInANonZeroExitCode) {
  TempDir tools;
  TempDir dir;
  const std::string sevenZip = OwnSevenZip(tools);
  // No source: 7-Zip warns (1) and still writes an empty archive, which must not count as a backup.
  EXPECT_EQ(backup::RunRar("gone.7z", dir.File("gone.bak"), dir.Path(), sevenZip), 1u);
  EXPECT_NE(backup::TestRar(dir.File("missing.7z"), dir.Path(), sevenZip), 0u) << "no archive to test";

  const std::string source = dir.File("s.bak");
  testing_support::WriteBytes(source, BackupLikeBytes(1u << 20));
  ASSERT_EQ(backup::RunRar("s.7z", source, dir.Path(), sevenZip), 0u);
  const std::string whole = testing_support::ReadBytes(dir.File("s.7z"));
  testing_support::WriteBytes(dir.File("s.7z"), whole.substr(0, whole.size() / 2));
  EXPECT_NE(backup::TestRar(dir.File("s.7z"), dir.Path(), sevenZip), 0u) << "a cut archive passed";
  std::string flipped = whole;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
  testing_support::WriteBytes(dir.File("s.7z"), flipped);
  EXPECT_NE(backup::TestRar(dir.File("s.7z"), dir.Path(), sevenZip), 0u) << "a damaged archive passed";
  testing_support::WriteBytes(dir.File("junk.7z"), "not an archive");
  EXPECT_NE(backup::RunRar("junk.7z", source, dir.Path(), sevenZip), 0u) << "added to a file that is no archive";

  EXPECT_EQ(backup::RunRar("n.7z", source, dir.Path(), tools.File("7-Zip\\7z.exe")), std::nullopt) << "no program";
  EXPECT_FALSE(platform::FileExists(dir.File("n.7z")));
}

}  // namespace
