#include "db/program_dir.h"

#include <gtest/gtest.h>

#include "platform/system_info.h"

namespace {

TEST(ExeDir, DirectoryOfTheProgramWithoutTrailingSeparatorExceptRoots) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Tools\\Dumpwarden\\dumpwarden.exe", "C:\\Tools\\Dumpwarden"},
      {"C:\\dumpwarden.exe", "C:\\"},
      {"C:/Tools/dw.exe", "C:/Tools"},
      {"\\\\server\\share\\dw.exe", "\\\\server\\share"},
      {"/opt/dw/dumpwarden", "/opt/dw"},
      {"/dumpwarden", "/"},
  };
  for (const auto& [program, dir] : cases) {
    EXPECT_EQ(db::ExeDirOf(program, "D:\\Elsewhere"), dir) << program;
  }
  EXPECT_EQ(std::string(db::ExeDirOf("C:\\dumpwarden.exe", "")) + db::kConnectIniSuffix,
            "C:\\\\Connect\\Connect.ini")
      << "a drive root gives the doubled backslash the platform accepts";
}

// A program path without a folder of its own must not put the settings at the root of the drive.
TEST(ExeDir, APathWithoutItsOwnFolderIsTakenFromTheWorkingFolder) {
  struct Case {
    const char* program;
    const char* workingDir;
    const char* dir;
  };
  const Case cases[] = {
      {"dumpwarden.exe", "C:\\Work", "C:\\Work"},
      {"dumpwarden.exe", "C:\\Work\\", "C:\\Work"},
      {"dumpwarden.exe", "C:\\", "C:\\"},
      {"bin\\dumpwarden.exe", "C:\\Work", "C:\\Work\\bin"},
      {"C:dumpwarden.exe", "c:\\Work", "c:\\Work"},
      {"D:dumpwarden.exe", "C:\\Work", "D:\\"},
      {"dumpwarden", "/home/op", "/home/op"},
      {"dumpwarden", "/", "/"},
      {"", "C:\\Work", "C:\\Work"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(db::ExeDirOf(c.program, c.workingDir), c.dir) << c.program << " in " << c.workingDir;
  }
}

TEST(ExeDir, NamesTheFolderOfThisVeryProgram) {
  const std::string program = platform::ProgramPath();
  const std::string dir = db::ExeDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(program.compare(0, dir.size(), dir), 0);
  EXPECT_NE(program.find("dw_core_tests"), std::string::npos);
}

}  // namespace
