// The built program as the backup run starts it: command lines, exit codes, the mode file beside
// it, the record of its last start, and what Debian's 7-Zip and unzip make of its archives.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "exit_codes.h"
#include "mode.h"
#include "standin_fixture.h"

namespace {

using namespace rar_standin;
using standin_test::Folder;
using standin_test::Start;

// The stand-in copied into a folder of its own, so a mode file can lie beside it.
class PrivateStandin {
 public:
  explicit PrivateStandin(const std::string& mode = "") {
    const std::string source = testing_support::Native(standin_test::StandinProgram());
    program_ = dir_.In(std::filesystem::path(source).filename().string());
    std::filesystem::copy_file(source, program_);
    if (!mode.empty()) {
      standin_test::Write(dir_.In(kModeFileName), mode);
    }
  }
  [[nodiscard]] const std::string& Program() const { return program_; }

 private:
  Folder dir_;
  std::string program_;
};

TEST(StandinProgram, PacksAndTestsWithTheProgramsCommandLines) {
  Folder work;
  const std::string bytes = standin_test::Pattern(200000, 9);
  standin_test::Write(work.In("Shop_1200.bak"), bytes);
  const std::string program = standin_test::StandinProgram();
  EXPECT_EQ(Start(program, {"a", "-ep", work.In("Shop_1200.rar"), work.In("Shop_1200.bak")}, work.Path()), kExitOk);
  const std::string lastRun = standin_test::Read(work.In(kLastRunFileName));
  EXPECT_NE(lastRun.find("a -ep"), std::string::npos) << lastRun;
  EXPECT_NE(lastRun.find("Shop_1200.rar"), std::string::npos) << lastRun;
  EXPECT_EQ(Start(program, {"t", work.In("Shop_1200.rar")}, work.Path()), kExitOk);
  EXPECT_NE(standin_test::Read(work.In(kLastRunFileName)).find(" t "), std::string::npos)
      << "the record is of the latest start";
  EXPECT_EQ(standin_test::Read(work.In("Shop_1200.bak")), bytes) << "packing never removes or changes the source";
}

TEST(StandinProgram, ExitCodesTellWhatWentWrong) {
  Folder work;
  const std::string program = standin_test::StandinProgram();
  standin_test::Write(work.In("a.bak"), "data");
  standin_test::Write(work.In("junk.rar"), std::string(100, 'j'));
  EXPECT_EQ(Start(program, {"a", "-ep", work.In("a.rar"), work.In("missing.bak")}, work.Path()), kExitCannotRead);
  EXPECT_EQ(Start(program, {"a", "-ep", work.In("no-folder") + "/a.rar", work.In("a.bak")}, work.Path()),
            kExitCannotWrite);
  EXPECT_EQ(Start(program, {"t", work.In("missing.rar")}, work.Path()), kExitCannotRead);
  EXPECT_EQ(Start(program, {"t", work.In("junk.rar")}, work.Path()), kExitDamaged);
  const std::vector<std::vector<std::string>> wrongLines = {
      {}, {"a", work.In("a.rar"), work.In("a.bak")}, {"a", "-ep", work.In("a.rar")},
      {"a", "-ep", work.In("a.rar"), work.In("a.bak"), "extra"}, {"x", work.In("a.rar")}, {"t"},
      {"T", work.In("junk.rar")}};
  for (const auto& items : wrongLines) {
    EXPECT_EQ(Start(program, items, work.Path()), kExitUsage) << items.size() << " items";
  }
  EXPECT_EQ(standin_test::Names(work.Path()),
            (std::vector<std::string>{"a.bak", kLastRunFileName, "junk.rar"}));
}

TEST(StandinProgram, ModeFileBesideTheProgramMakesPackingMisbehave) {
  Folder work;
  standin_test::Write(work.In("a.bak"), standin_test::Pattern(100000, 4));
  const std::vector<std::string> pack = {"a", "-ep", work.In("a.rar"), work.In("a.bak")};
  const std::vector<std::string> test = {"t", work.In("a.rar")};
  {
    PrivateStandin standin("fail\n");
    EXPECT_EQ(Start(standin.Program(), pack, work.Path()), kExitCannotWrite);
    EXPECT_FALSE(standin_test::Exists(work.In("a.rar")));
  }
  {
    PrivateStandin standin("  Truncate \r\nok\n");
    EXPECT_EQ(Start(standin.Program(), pack, work.Path()), kExitOk) << "says it worked";
    EXPECT_TRUE(standin_test::Exists(work.In("a.rar")));
    EXPECT_EQ(Start(standin.Program(), test, work.Path()), kExitDamaged) << "its test stays honest";
  }
  {
    PrivateStandin standin("crash");
    std::filesystem::remove(work.In("a.rar"));
    const std::optional<std::uint32_t> code = Start(standin.Program(), pack, work.Path());
    ASSERT_TRUE(code.has_value());
#if defined(_WIN32)
    EXPECT_EQ(*code, 0xC0000005u) << "an access violation";
#else
    EXPECT_EQ(*code, 0x80000006u) << "killed by SIGABRT";
#endif
    EXPECT_FALSE(standin_test::Exists(work.In("a.rar")));
    EXPECT_FALSE(standin_test::Exists(work.In("a.rar.partial")));
  }
  {
    PrivateStandin standin("slow=2");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Start(standin.Program(), pack, work.Path()), kExitOk);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(Start(standin.Program(), test, work.Path()), kExitOk);
  }
  for (const char* harmless : {"", "ok", "bogus", "slow=", "slow=x", "failing"}) {
    PrivateStandin standin(harmless);
    std::filesystem::remove(work.In("a.rar"));
    EXPECT_EQ(Start(standin.Program(), pack, work.Path()), kExitOk) << harmless;
    EXPECT_EQ(Start(standin.Program(), test, work.Path()), kExitOk) << harmless;
  }
}

TEST(StandinProgram, AModeFileInTheWorkingFolderChangesNothing) {
  Folder work;
  standin_test::Write(work.In("a.bak"), "data");
  standin_test::Write(work.In(kModeFileName), "fail");
  EXPECT_EQ(Start(standin_test::StandinProgram(), {"a", "-ep", work.In("a.rar"), work.In("a.bak")}, work.Path()),
            kExitOk);
}

class HostTools : public testing::Test {
 protected:
  void SetUp() override {
    sevenZip_ = standin_test::HostTool("7z");
    unzip_ = standin_test::HostTool("unzip");
    if (!sevenZip_ && !unzip_) {
      GTEST_SKIP() << "neither /usr/bin/7z nor /usr/bin/unzip is installed";
    }
  }
  std::optional<std::string> sevenZip_;
  std::optional<std::string> unzip_;
};

using standin_test::Quoted;
using standin_test::Shell;

TEST_F(HostTools, TestAndExtractTheArchiveToTheSameBytes) {
  Folder work;
  Folder out;
  const std::string bytes = standin_test::Pattern(3 * 1048576 + 5, 11);
  standin_test::Write(work.In("Shop 1200.bak"), bytes);
  ASSERT_EQ(Start(standin_test::StandinProgram(), {"a", "-ep", work.In("Shop 1200.rar"), work.In("Shop 1200.bak")},
                work.Path()),
            kExitOk);
  const std::string archive = Quoted(work.In("Shop 1200.rar"));
  if (sevenZip_) {
    EXPECT_EQ(Shell(*sevenZip_ + " t " + archive), 0);
    ASSERT_EQ(Shell(*sevenZip_ + " x -o" + Quoted(out.Path()) + " " + archive), 0);
    EXPECT_EQ(standin_test::Names(out.Path()), (std::vector<std::string>{"Shop 1200.bak"}));
    EXPECT_TRUE(standin_test::Read(out.In("Shop 1200.bak")) == bytes);
  }
  if (unzip_) {
    EXPECT_EQ(Shell(*unzip_ + " -tq " + archive), 0);
    Folder unzipped;
    ASSERT_EQ(Shell(*unzip_ + " -q " + archive + " -d " + Quoted(unzipped.Path())), 0);
    EXPECT_EQ(standin_test::Names(unzipped.Path()), (std::vector<std::string>{"Shop 1200.bak"}));
    EXPECT_TRUE(standin_test::Read(unzipped.In("Shop 1200.bak")) == bytes);
  }
}

TEST_F(HostTools, RejectTheTruncatedArchiveToo) {
  Folder work;
  PrivateStandin standin("truncate");
  standin_test::Write(work.In("a.bak"), standin_test::Pattern(50000, 12));
  ASSERT_EQ(Start(standin.Program(), {"a", "-ep", work.In("a.rar"), work.In("a.bak")}, work.Path()), kExitOk);
  if (sevenZip_) {
    EXPECT_NE(Shell(*sevenZip_ + " t " + Quoted(work.In("a.rar"))), 0);
  }
  if (unzip_) {
    EXPECT_NE(Shell(*unzip_ + " -tq " + Quoted(work.In("a.rar"))), 0);
  }
}

TEST_F(HostTools, StoredArchivesOf7ZipPassAndCompressedOnesAreNotCalledGood) {
  if (!sevenZip_) {
    GTEST_SKIP() << "/usr/bin/7z is not installed";
  }
  Folder work;
  standin_test::Write(work.In("one.bak"), standin_test::Pattern(70000, 1));
  standin_test::Write(work.In("two.bak"), std::string(90000, 'z'));
  const std::string files = Quoted(work.In("one.bak")) + " " + Quoted(work.In("two.bak"));
  ASSERT_EQ(Shell(*sevenZip_ + " a -tzip -mx=0 " + Quoted(work.In("stored.zip")) + " " + files), 0);
  ASSERT_EQ(Shell(*sevenZip_ + " a -tzip -mx=9 " + Quoted(work.In("deflated.zip")) + " " + files), 0);
  EXPECT_EQ(Start(standin_test::StandinProgram(), {"t", work.In("stored.zip")}, work.Path()), kExitOk);
  EXPECT_EQ(Start(standin_test::StandinProgram(), {"t", work.In("deflated.zip")}, work.Path()), kExitDamaged);
}

}  // namespace
