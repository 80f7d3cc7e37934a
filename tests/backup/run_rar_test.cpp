#include "backup/run_rar.h"

#include <gtest/gtest.h>

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
}

std::string Archiver() {
#if defined(_WIN32)
  return db::ExeDir() + "\\dw_rar_standin.exe";
#else
  return db::ExeDir() + "\\dw_rar_standin";
#endif
}

TEST(RunRar, StartsTheArchiverInTheBackupDirectoryAndWaitsForIt) {
  TempDir dir;
  ASSERT_TRUE(platform::FileExists(Archiver())) << Archiver();
  const std::string source = dir.File("Shop_1200.bak");
  testing_support::WriteBytes(source, std::string(100000, 'q'));
  backup::RunRar("Shop_1200.rar", source, dir.Path(), Archiver());
  // Returning means the archiver has ended: the archive must already be complete.
  const std::string archive = testing_support::ReadBytes(dir.File("Shop_1200.rar"));
  EXPECT_EQ(archive.size() > 100000u, true);
  EXPECT_TRUE(platform::FileExists(dir.File("dw_rar_standin.lastrun"))) << "working directory is the backup folder";
  EXPECT_TRUE(platform::FileExists(source)) << "packing never removes the source";
}

TEST(RunRar, AMissingOrEmptyArchiverReturnsWithoutAnArchive) {
  TempDir dir;
  const std::string source = dir.File("a.bak");
  testing_support::WriteBytes(source, "x");
  backup::RunRar("a.rar", source, dir.Path(), "");
  backup::RunRar("a.rar", source, dir.Path(), dir.File("no-such-archiver.exe"));
  EXPECT_FALSE(platform::FileExists(dir.File("a.rar")));
  EXPECT_TRUE(platform::FileExists(source));
}

TEST(RunRar, AFailingArchiverLeavesNoArchive) {
  TempDir dir;
  backup::RunRar("gone.rar", dir.File("gone.bak"), dir.Path(), Archiver());
  EXPECT_FALSE(platform::FileExists(dir.File("gone.rar")));
}

}  // namespace
