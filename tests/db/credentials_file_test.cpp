#include "db/credentials_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

using db::Credentials;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(CutToken, TakesTheTextBeforeTheFirstSeparator) {
  struct Case {
    std::string text;
    char separator;
    std::string token;
    std::string rest;
  };
  const Case cases[] = {
      {"abc|def|g", '|', "abc", "def|g"},
      {"|x", '|', "", "x"},
      {"x|", '|', "x", ""},
      {"none", '|', "", "none"},  // without a separator the text stays as it was
      {"", '|', "", ""},
  };
  for (Case c : cases) {
    EXPECT_EQ(db::Cut_Token(c.text, c.separator), c.token);
    EXPECT_EQ(c.text, c.rest);
  }
}

TEST(ShiftCodec, EveryByteRoundTripsAndTheShiftIsNotIdentity) {
  std::string all;
  for (int c = 0; c < 256; ++c) {
    all += static_cast<char>(c);
  }
  const std::string encoded = db::Encode_Str(all);
  EXPECT_EQ(encoded.size(), all.size());
  EXPECT_NE(encoded, all);
  EXPECT_EQ(db::Decode_Str(encoded), all);
  EXPECT_EQ(static_cast<unsigned char>(db::Encode_Str("\x03")[0]), (3 - db::kShift) & 0xFFu) << "wraps below 0";
}

TEST(TextLine, EndsAtLineFeedDropsCarriageReturnsAndStopsAtByte26) {
  const std::pair<std::string, std::string> cases[] = {
      {"abc\r\ndef", "abc"},   {"abc\ndef", "abc"}, {"a\rb\r\n", "ab"}, {"ab\x1A" "cd\n", "ab"},
      {"no end", "no end"},    {"", ""},            {"\n", ""},
  };
  for (const auto& [bytes, line] : cases) {
    EXPECT_EQ(db::FirstTextLine(bytes), line);
  }
}

struct CredentialsFixture : ::testing::Test {
  TempDir dir;
  std::string path = dir.File("Data.dat");
};

TEST_F(CredentialsFixture, WritesTheExactRecordAndReadsItBack) {
  db::WriteCredentialsFile(path, "PC1", Credentials{"sa", "p w;\"'"});
  const std::string expected =
      db::Encode_Str("PC1") + "\xFD" + db::Encode_Str("sa") + "\xFE" + db::Encode_Str("p w;\"'") + "\xFF\r\n";
  EXPECT_EQ(ReadBytes(path), expected);
  const auto read = db::ReadCredentialsFile(path, "PC1");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->userName, "sa");
  EXPECT_EQ(read->password, "p w;\"'");
}

TEST_F(CredentialsFixture, AnotherComputerOrAMissingFileMeansAskAgain) {
  EXPECT_FALSE(db::ReadCredentialsFile(path, "PC1").has_value());
  db::WriteCredentialsFile(path, "PC1", Credentials{"sa", "secret"});
  EXPECT_FALSE(db::ReadCredentialsFile(path, "pc1").has_value()) << "the comparison is case-sensitive";
  EXPECT_FALSE(db::ReadCredentialsFile(path, "PC2").has_value());
}

TEST_F(CredentialsFixture, MissingSeparatorsGiveEmptyFields) {
  const std::string name = db::Encode_Str("PC1");
  WriteBytes(path, db::Encode_Str("PC1") + db::Encode_Str("sa"));  // no first separator at all
  EXPECT_FALSE(db::ReadCredentialsFile(path, "PC1").has_value());

  WriteBytes(path, name + "\xFD" + db::Encode_Str("sa") + "\xFF\r\n");  // no user separator
  auto read = db::ReadCredentialsFile(path, "PC1");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->userName, "");
  EXPECT_EQ(read->password, db::Decode_Str(db::Encode_Str("sa")));

  WriteBytes(path, name + "\xFD" + db::Encode_Str("sa") + "\xFE" + db::Encode_Str("pw"));  // no password end
  read = db::ReadCredentialsFile(path, "PC1");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->userName, "sa");
  EXPECT_EQ(read->password, "");
}

TEST_F(CredentialsFixture, CharactersThatBreakTheLineDoNotSurvive) {
  // Shifted to a line feed, a carriage return or byte 26, these cut the record short.
  for (int code : {10, 13, 26}) {
    const std::string password(1, static_cast<char>(code + db::kShift));
    db::WriteCredentialsFile(path, "PC1", Credentials{"u", password});
    const auto read = db::ReadCredentialsFile(path, "PC1");
    ASSERT_TRUE(read.has_value());
    EXPECT_NE(read->password, password) << "code " << code;
  }
}

TEST_F(CredentialsFixture, EveryPrintableCharacterSurvivesTheFile) {
  std::string printable;
  for (int c = 0x20; c <= 0xFF; ++c) {
    if (c != 0x7F) {
      printable += static_cast<char>(c);
    }
  }
  db::WriteCredentialsFile(path, "PC1", Credentials{"user name!", printable});
  const auto read = db::ReadCredentialsFile(path, "PC1");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->userName, "user name!");
  EXPECT_EQ(read->password, printable);
}

TEST_F(CredentialsFixture, GarbageAndHugeFilesFailSafely) {
  WriteBytes(path, std::string("\xFD\xFE\xFF\x00\x01", 5));
  EXPECT_FALSE(db::ReadCredentialsFile(path, "PC1").has_value());
  EXPECT_TRUE(db::ReadCredentialsFile(path, "").has_value()) << "an empty stored name matches an empty one";

  WriteBytes(path, db::Encode_Str("PC1") + "\xFD" + std::string(1 << 20, 'u') + "\xFE" "\xFF\r\n");
  const auto long_user = db::ReadCredentialsFile(path, "PC1");
  ASSERT_TRUE(long_user.has_value());
  EXPECT_EQ(long_user->userName.size(), std::size_t{1} << 20);

  WriteBytes(path, std::string((16u << 20) + 1, 'x'));
  try {
    (void)db::ReadCredentialsFile(path, "PC1");
    FAIL() << "an oversized file was read";
  } catch (const db::IoError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << "the error names the file";
  }
}

TEST_F(CredentialsFixture, AFailedWriteRaisesAndKeepsTheOldFile) {
  EXPECT_THROW(db::WriteCredentialsFile(dir.Path() + "\\Connect\\Data.dat", "PC1", Credentials{"a", "b"}),
               db::IoError);
  db::WriteCredentialsFile(path, "PC1", Credentials{"old", "pw"});
  testing_support::SetReadOnly(path, true);
  EXPECT_THROW(db::WriteCredentialsFile(path, "PC1", Credentials{"new", "pw"}), db::IoError);
  testing_support::SetReadOnly(path, false);
  EXPECT_EQ(db::ReadCredentialsFile(path, "PC1")->userName, "old");
}

#if !defined(_WIN32)
TEST_F(CredentialsFixture, ANewFileIsTheOwnersAloneAndARewriteKeepsWhatTheOperatorSet) {
  const auto mode = [this] {
    struct stat st {};
    return ::stat(testing_support::Native(path).c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777u;
  };
  db::WriteCredentialsFile(path, "PC1", Credentials{"sa", "secret"});
  EXPECT_EQ(mode(), 0600u) << "a password file readable by others";
  db::WriteCredentialsFile(path, "PC1", Credentials{"sa", "other"});
  EXPECT_EQ(mode(), 0600u) << "the rewrite widened the file's permissions";
  ASSERT_EQ(::chmod(testing_support::Native(path).c_str(), 0640), 0);
  db::WriteCredentialsFile(path, "PC1", Credentials{"sa", "third"});
  EXPECT_EQ(mode(), 0640u);
  EXPECT_EQ(db::ReadCredentialsFile(path, "PC1")->password, "third");
}
#endif

TEST(ComputerName, IsReportedAndFitsTheBuffer) {
  const std::string name = db::Get_CompName();
  EXPECT_FALSE(name.empty());
  EXPECT_LE(name.size(), 100u);
}

}  // namespace
