#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

using settings::IniFile;
using settings::IniWriteError;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

struct IniFixture : ::testing::Test {
  TempDir dir;
  std::string path = dir.File("test.ini");
  IniFile ini{path};
};

TEST_F(IniFixture, ASnapshotAnswersFromTheContentsItWasTakenWith) {
  WriteBytes(path, "[BAK]\r\nRarProgram=C:\\Rar.exe\r\n[copy]\r\ncount=2\r\ncopy1=E:\\\r\ncopy2=F:\\\r\n");
  const IniFile snapshot = IniFile::Snapshot(path);
  WriteBytes(path, "[BAK]\r\nRarProgram=C:\\7z.exe\r\n");
  EXPECT_EQ(snapshot.ReadString("BAK", "RarProgram", ""), "C:\\Rar.exe");
  EXPECT_EQ(snapshot.ReadInteger("copy", "count", 0), 2);
  EXPECT_EQ(snapshot.ReadNumberedKeys("copy", "copy", 2).size(), 2u);
  EXPECT_TRUE(snapshot.ValueExists("copy", "copy2"));
  EXPECT_EQ(ini.ReadString("BAK", "RarProgram", ""), "C:\\7z.exe") << "an ordinary object reads afresh";

  // A file missing when the snapshot was taken stays missing for it: defaults only.
  const IniFile empty = IniFile::Snapshot(dir.File("later.ini"));
  WriteBytes(dir.File("later.ini"), "[BAK]\r\nTimeCount=4\r\n");
  EXPECT_EQ(empty.ReadInteger("BAK", "TimeCount", 0), 0);
  EXPECT_FALSE(empty.ValueExists("BAK", "TimeCount"));
}

TEST_F(IniFixture, ReadsFollowPrivateProfileRules) {
  WriteBytes(path,
             "orphan=before any section\r\n"
             "; a comment line\r\n"
             "[Connect]\r\n"
             "Server =  db01 \r\n"
             "DB=\"Shop\"\r\n"
             "Quoted='single'\r\n"
             "Half=\"open\r\n"
             "Empty=\r\n"
             "Server=second value ignored\r\n"
             "  [ bak ]  \n"
             "timecount=3\n"
             "[Connect]\n"
             "Late=in a duplicate section\n");
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"Connect", "Server", "db01"},              // blanks around key and value go
      {"CONNECT", "server", "db01"},              // names ignore letter case
      {"Connect", "DB", "Shop"},                  // one pair of enclosing quotes goes
      {"Connect", "Quoted", "single"},
      {"Connect", "Half", "\"open"},              // an unpaired quote stays
      {"Connect", "Empty", ""},
      {"BAK", "TimeCount", "3"},                  // section names are trimmed too
      {"Connect", "Late", "<default>"},           // only the first section of a name counts
      {"Connect", "orphan", "<default>"},
      {"Connect", "; a comment line", "<default>"},
      {"Missing", "Server", "<default>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected) << c.section << "/" << c.key;
  }
  EXPECT_TRUE(ini.ValueExists("connect", "EMPTY")) << "an empty value still exists";
  EXPECT_FALSE(ini.ValueExists("Connect", "Nope"));
}

TEST_F(IniFixture, MissingFileGivesDefaults) {
  EXPECT_EQ(ini.ReadString("A", "B", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("A", "B", 42), 42);
  EXPECT_FALSE(ini.ValueExists("A", "B"));
  EXPECT_TRUE(ini.ReadNumberedKeys("A", "B", 10).empty());
}

TEST_F(IniFixture, IntegerReadingAcceptsDecimalAndHexOnly) {
  const std::pair<const char*, int> cases[] = {
      {"12", 12},           {"-1", -1},          {"+5", 5},          {"0x1F", 31},     {"0XfF", 255},
      {"0xFFFFFFFF", -1},   {"2147483647", 2147483647},              {"-2147483648", -2147483647 - 1},
      {"2147483648", -7},   {"0x100000000", -7}, {"12abc", -7},      {"", -7},         {"0x", -7},
      {"$10", -7},          {"1 2", -7},         {"--3", -7},        {"1e3", -7},      {"  7  ", 7},
  };
  for (const auto& [text, expected] : cases) {
    WriteBytes(path, std::string("[S]\r\nK=") + text + "\r\n");
    EXPECT_EQ(ini.ReadInteger("S", "K", -7), expected) << "value '" << text << "'";
  }
}

TEST_F(IniFixture, ValuesAreCutAt2047CharactersAndLongLinesAreFine) {
  const std::string exact(2047, 'a');
  const std::string longer(2048, 'b');
  const std::string megabyte(1 << 20, 'c');
  WriteBytes(path, "[S]\r\nexact=" + exact + "\r\nlonger=" + longer + "\r\nhuge=" + megabyte + "\r\nafter=ok\r\n");
  EXPECT_EQ(ini.ReadString("S", "exact", ""), exact);
  EXPECT_EQ(ini.ReadString("S", "longer", ""), std::string(2047, 'b'));
  EXPECT_EQ(ini.ReadString("S", "huge", "").size(), 2047u);
  EXPECT_EQ(ini.ReadString("S", "after", ""), "ok");
  EXPECT_EQ(ini.ReadString("S", "absent", std::string(3000, 'd')).size(), 2047u) << "defaults are cut as well";
}

TEST_F(IniFixture, WritesCreateFileSectionAndKeyAndKeepTheRest) {
  ini.WriteString("BAK", "TimeCount", "2");
  EXPECT_EQ(ReadBytes(path), "[BAK]\r\nTimeCount=2\r\n");
  WriteBytes(path,
             "; keep me\r\n[BAK]\r\ntimecount=2\r\nTime_1=08:00\r\n\r\n[copy]\r\ncount=0\r\n");
  ini.WriteInteger("bak", "TIMECOUNT", 3);
  ini.WriteString("BAK", "Time_2", "20:30");
  ini.WriteString("Other", "Key", "v");
  EXPECT_EQ(ReadBytes(path),
            "; keep me\r\n[BAK]\r\ntimecount=3\r\nTime_1=08:00\r\nTime_2=20:30\r\n\r\n[copy]\r\ncount=0\r\n"
            "[Other]\r\nKey=v\r\n");
}

TEST_F(IniFixture, UnchangedContentsSurviveAWriteByteForByte) {
  const std::string original = "[A]\r\nx=1\r\n; note\r\ny = spaced \r\n\r\n[B]\r\nz=\"q\"\r\n";
  WriteBytes(path, original);
  ini.WriteString("A", "x", "1");
  EXPECT_EQ(ReadBytes(path), original);
}

TEST_F(IniFixture, ALineBreakInAValueCannotAddKeys) {
  ini.WriteString("Connect", "Server", "evil\r\n[Connect]\r\nDB=injected");
  EXPECT_EQ(ini.ReadString("Connect", "Server", ""), "evil");
  EXPECT_FALSE(ini.ValueExists("Connect", "DB"));
}

// Found by fuzzing: blanks at a value's ends and enclosing quotes were lost on the way back.
TEST_F(IniFixture, EveryWrittenValueReadsBackExactly) {
  const std::vector<std::string> values = {" C:\\Bak ", "\tx", "\"quoted\"", "'single'", "\"", "a \"b\" c",
                                           "  ", "\"\"", "plain"};
  for (const std::string& value : values) {
    ini.WriteString("BAK", "RarProgram", value);
    EXPECT_EQ(ini.ReadString("BAK", "RarProgram", "-"), value) << ReadBytes(path);
  }
  ini.WriteString("BAK", "BakDir", std::string("cut\0here", 8));
  EXPECT_EQ(ini.ReadString("BAK", "BakDir", "-"), "cut");
  EXPECT_EQ(ReadBytes(path).find('\0'), std::string::npos) << "a NUL never reaches the file";
}

// Found by fuzzing: a rewrite dropped the byte-order mark, so a second mark became the first
// line's text no longer and a hidden section appeared.
TEST_F(IniFixture, AByteOrderMarkIsKeptAndASecondOneStaysText) {
  WriteBytes(path, "\xEF\xBB\xBF\xEF\xBB\xBF[BAK]\r\nBakDir=hidden\r\n");
  ini.WriteString("copy", "count", "0");
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF\xEF\xBB\xBF[BAK]\r\nBakDir=hidden\r\n[copy]\r\ncount=0\r\n");
  EXPECT_FALSE(ini.ValueExists("BAK", "BakDir"));
}

TEST_F(IniFixture, EraseSectionRemovesEverySectionOfThatName) {
  WriteBytes(path, "[BAK]\r\nTime_1=1\r\n[copy]\r\ncount=1\r\n[bak]\r\nTime_9=9\r\n");
  ini.EraseSection("Bak");
  EXPECT_EQ(ReadBytes(path), "[copy]\r\ncount=1\r\n");
  ini.EraseSection("Missing");
  EXPECT_EQ(ReadBytes(path), "[copy]\r\ncount=1\r\n");
}

TEST_F(IniFixture, EraseSectionOfManyRepeatsKeepsEverythingElseInOrder) {
  std::string file = "; head\r\n";
  std::string kept = file;
  for (int n = 0; n < 3000; ++n) {
    file += "[BAK]\r\nTime_1=" + std::to_string(n) + "\r\n\r\n";
    const std::string other = "[other" + std::to_string(n % 7) + "]\r\nk" + std::to_string(n) + "=v\r\n";
    file += other;
    kept += other;
  }
  file += " [ bAk ] \r\nlast=1\r\n";
  WriteBytes(path, file);
  ini.EraseSection("bak");
  EXPECT_TRUE(ReadBytes(path) == kept);
  EXPECT_FALSE(ini.ValueExists("BAK", "Time_1"));
}

TEST_F(IniFixture, ARepeatedKeyCountsOnceWhateverItsCaseAndKeepsItsFirstValue) {
  WriteBytes(path, "\xEF\xBB\xBF[copy]\r\ncount=3\r\nCopy2=first\r\ncopy1=a\r\nCOPY2=second\r\ncopy2=third\r\n"
                   "copy3=\r\n[Copy]\r\ncopy3=later section\r\n");
  const auto entries = ini.ReadNumberedKeys("COPY", "copy", 3);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], (std::pair<int, std::string>{1, "a"}));
  EXPECT_EQ(entries[1], (std::pair<int, std::string>{2, "first"}));
  EXPECT_EQ(entries[2], (std::pair<int, std::string>{3, ""}));
  EXPECT_EQ(ini.ReadString("copy", "COPY2", ""), "first");
  EXPECT_EQ(ini.ReadInteger("copy", "count", 0), 3) << "a byte-order mark does not hide the first section";
}

TEST_F(IniFixture, EraseOnAMissingFileCreatesNothing) {
  ini.EraseSection("BAK");
  EXPECT_EQ(testing_support::ListDir(dir.Path()), std::vector<std::string>{});
}

TEST(IniRefusedWrites, MissingFolderRaisesAndCreatesNothing) {
  TempDir dir;
  const std::string path = dir.Path() + "\\Bak_Info\\Bak_Info.ini";
  IniFile ini(path);
  try {
    ini.WriteString("BAK", "TimeCount", "0");
    FAIL() << "write into a missing folder succeeded";
  } catch (const IniWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
  EXPECT_NO_THROW(ini.EraseSection("BAK")) << "nothing to erase in a file that does not exist";
  EXPECT_EQ(testing_support::ListDir(dir.Path()), std::vector<std::string>{}) << "no folder may be created";
}

TEST(IniRefusedWrites, ReadOnlyFileRaisesAndStaysIntact) {
  TempDir dir;
  const std::string path = dir.File("ro.ini");
  const std::string original = "[BAK]\r\nTimeCount=1\r\nTime_1=08:00\r\n";
  WriteBytes(path, original);
  testing_support::SetReadOnly(path, true);
  IniFile ini(path);
  EXPECT_THROW(ini.WriteString("BAK", "TimeCount", "5"), IniWriteError);
  EXPECT_THROW(ini.EraseSection("BAK"), IniWriteError);
  EXPECT_EQ(ReadBytes(path), original);
  EXPECT_EQ(ini.ReadString("BAK", "Time_1", ""), "08:00");
  EXPECT_EQ(testing_support::ListDir(dir.Path()), std::vector<std::string>{"ro.ini"}) << "no temporary file left";
}

TEST(IniRefusedWrites, OversizedFileReadsAsDefaultsAndIsNeverOverwritten) {
  TempDir dir;
  const std::string path = dir.File("huge.ini");
  std::string huge = "[BAK]\r\nTimeCount=4\r\n";
  huge.resize(IniFile::kMaxFileBytes + 1, 'x');
  WriteBytes(path, huge);
  IniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("BAK", "TimeCount", 0), 0);
  EXPECT_THROW(ini.WriteString("BAK", "TimeCount", "1"), IniWriteError);
  EXPECT_EQ(ReadBytes(path).size(), huge.size());
}

TEST(IniGarbage, RandomBytesNeverCrashAndKeepDefaultsOrValues) {
  TempDir dir;
  const std::string path = dir.File("garbage.ini");
  IniFile ini(path);
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(static_cast<std::size_t>(random() % 4096), '\0');
    for (char& c : bytes) {
      const unsigned r = random() % 16;
      c = r == 0 ? '[' : r == 1 ? ']' : r == 2 ? '=' : r == 3 ? '\n' : static_cast<char>(random());
    }
    WriteBytes(path, bytes);
    const std::string value = ini.ReadString("BAK", "TimeCount", "dflt");
    EXPECT_LE(value.size(), 2047u);
    EXPECT_GE(ini.ReadInteger("copy", "count", 0), -2147483647 - 1);
    EXPECT_LE(ini.ReadNumberedKeys("copy", "copy", 1000000).size(), bytes.size());
    ini.WriteString("BAK", "TimeCount", "7");
    EXPECT_EQ(ini.ReadInteger("BAK", "TimeCount", 0), 7) << "round " << round;
  }
}

TEST_F(IniFixture, NumberedKeysMatchOneByOneLookupsWithoutWalkingTheWholeRange) {
  WriteBytes(path,
             "[copy]\r\ncount=2147483647\r\nCOPY3=c\r\ncopy1=a\r\ncopy01=leading zero\r\ncopy0=zero\r\n"
             "copy-2=neg\r\ncopyx=x\r\ncopy1=duplicate\r\ncopy2147483647=last\r\n");
  const auto entries = ini.ReadNumberedKeys("copy", "copy", ini.ReadInteger("copy", "count", 0));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], (std::pair<int, std::string>{1, "a"}));
  EXPECT_EQ(entries[1], (std::pair<int, std::string>{3, "c"}));
  EXPECT_EQ(entries[2], (std::pair<int, std::string>{2147483647, "last"}));
  EXPECT_EQ(ini.ReadNumberedKeys("copy", "copy", 2).size(), 1u) << "keys above the count are not taken";
}

}  // namespace
