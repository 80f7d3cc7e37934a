#include "backup/run_rar.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db/program_dir.h"
#include "platform/files.h"
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

}  // namespace
