#include "db/program_dir.h"

#include <gtest/gtest.h>

#include "platform/system_info.h"

namespace {

TEST(ExeDir, DirectoryOfTheProgramWithoutTrailingSeparatorExceptRoots) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Tools\\Dumpwarden\\dumpwarden.exe", "C:\\Tools\\Dumpwarden"},
      {"C:\\dumpwarden.exe", "C:\\"},
      {"\\\\server\\share\\dw.exe", "\\\\server\\share"},
      {"/opt/dw/dumpwarden", "/opt/dw"},
      {"/dumpwarden", "/"},
      {"dumpwarden.exe", ""},
  };
  for (const auto& [program, dir] : cases) {
    EXPECT_EQ(db::ExeDirOf(program), dir) << program;
  }
  EXPECT_EQ(std::string(db::ExeDirOf("C:\\dumpwarden.exe")) + db::kConnectIniSuffix, "C:\\\\Connect\\Connect.ini")
      << "a drive root gives the doubled backslash the platform accepts";
}

TEST(ExeDir, NamesTheFolderOfThisVeryProgram) {
  const std::string program = platform::ProgramPath();
  const std::string dir = db::ExeDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(program.compare(0, dir.size(), dir), 0);
  EXPECT_NE(program.find("dw_core_tests"), std::string::npos);
}

}  // namespace
