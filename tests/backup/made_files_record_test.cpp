#include "backup/made_files_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace made_files_record_test {

using backup::FormatMadeFiles;
using backup::MadeFile;
using backup::ParseMadeFiles;

std::vector<MadeFile> RecordSample() {
  return {
      {"D:\\Backup\\QEL_20261209_020000.rar", 1234567, {2026, 12, 9, 2, 0, 7, 0}, true},
      {"E:\\Mirror\\Copy of QEL_20261209_020000.rar", 1234567, {2026, 12, 9, 2, 0, 9, 0}, true},
      {"D:\\Backup\\QEL_20240229_235959.rar", 18446744073709551615u, {2024, 2, 29, 23, 59, 59, 0}, false},
  };
}

TEST(MadeFilesRecord, WritesAndReadsBackEveryField) {
  const std::string text = FormatMadeFiles(RecordSample());
  EXPECT_EQ(text,
            "Dumpwarden made files 1\r\n"
            "2026-12-09 02:00:07\t1234567\tok\tD:\\Backup\\QEL_20261209_020000.rar\r\n"
            "2026-12-09 02:00:09\t1234567\tok\tE:\\Mirror\\Copy of QEL_20261209_020000.rar\r\n"
            "2024-02-29 23:59:59\t18446744073709551615\tbad\tD:\\Backup\\QEL_20240229_235959.rar\r\n"
            "end 3\r\n");
  const auto read = ParseMadeFiles(text);
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(read->size(), 3u);
  EXPECT_EQ(FormatMadeFiles(*read), text);
  EXPECT_EQ((*read)[2].made.day, 29);
  EXPECT_EQ((*read)[2].made.second, 59);
  EXPECT_EQ((*read)[2].size, 18446744073709551615u);
  EXPECT_FALSE((*read)[2].tested);
  EXPECT_EQ((*read)[1].path, "E:\\Mirror\\Copy of QEL_20261209_020000.rar");

  const auto empty = ParseMadeFiles(FormatMadeFiles({}));
  ASSERT_TRUE(empty.has_value()) << "a record with no files is a record";
  EXPECT_TRUE(empty->empty());
}

TEST(MadeFilesRecord, ARecordCutShortAnywhereIsNotRead) {
  const std::string text = FormatMadeFiles(RecordSample());
  for (std::size_t length = 0; length < text.size(); ++length) {
    EXPECT_FALSE(ParseMadeFiles(text.substr(0, length)).has_value()) << "cut after " << length << " bytes";
  }
}

TEST(MadeFilesRecord, AGarbledRecordIsNotRead) {
  const std::string header = "Dumpwarden made files 1\r\n";
  const std::string good = "2026-12-09 02:00:07\t5\tok\tD:\\B\\x.rar\r\n";
  const std::string cases[] = {
      "",
      "Dumpwarden made files 2\r\nend 0\r\n",                          // a later form
      header + "2026-02-29 02:00:07\t5\tok\tD:\\B\\x.rar\r\nend 1\r\n",  // no leap day in 2026
      header + "2026-04-31 02:00:07\t5\tok\tD:\\B\\x.rar\r\nend 1\r\n",
      header + "2026-12-09 24:00:07\t5\tok\tD:\\B\\x.rar\r\nend 1\r\n",
      header + "2026-12-09 2:00:07\t5\tok\tD:\\B\\x.rar\r\nend 1\r\n",
      header + "2026-12-09 02:00:07\t-5\tok\tD:\\B\\x.rar\r\nend 1\r\n",
      header + "2026-12-09 02:00:07\t05\tok\tD:\\B\\x.rar\r\nend 1\r\n",
      header + "2026-12-09 02:00:07\t18446744073709551616\tok\tD:\\B\\x.rar\r\nend 1\r\n",  // past 64 bits
      header + "2026-12-09 02:00:07\t5\tOK\tD:\\B\\x.rar\r\nend 1\r\n",
      header + "2026-12-09 02:00:07\t5\tok\t\r\nend 1\r\n",         // no path
      header + "2026-12-09 02:00:07\t5\tok\tx.rar\r\nend 1\r\n",    // no folder
      header + "2026-12-09 02:00:07\t5\tok\tD:\\B\\x\t.rar\r\nend 1\r\n",
      header + "2026-12-09 02:00:07 5 ok D:\\B\\x.rar\r\nend 1\r\n",
      header + good + "end 2\r\n",                                     // a line lost
      header + good + good + "end 1\r\n",
      header + good + "end 1\r\nmore\r\n",                             // something after the end
      header + good + "end 1",                                         // the end line cut
      header + good + "end 01\r\n",
      header + "2026-12-09 02:00:07\t5\tok\tD:\\B\\x.rar\nend 1\r\n",  // line ends changed
      std::string("Dumpwarden made files 1\r\n") + std::string(3, '\0') + "\r\nend 1\r\n",
  };
  for (const std::string& text : cases) {
    EXPECT_FALSE(ParseMadeFiles(text).has_value()) << text;
  }
  EXPECT_TRUE(ParseMadeFiles(header + good + "end 1\r\n").has_value()) << "the cases above differ from a good one";
}

TEST(MadeFilesRecord, AFileMadeAgainUnderItsNameTakesTheOldEntrysPlace) {
  std::vector<MadeFile> files = RecordSample();
  backup::AddMadeFile(files, {"e:\\MIRROR\\copy of QEL_20261209_020000.rar", 99, {2026, 12, 10, 1, 0, 0, 0}, true});
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files.back().size, 99u) << "it is the newest now";
  EXPECT_EQ(files[0].path, "D:\\Backup\\QEL_20261209_020000.rar");
  EXPECT_EQ(files[1].path, "D:\\Backup\\QEL_20240229_235959.rar");
}

TEST(MadeFilesRecord, LivesBesideTheSettingsAndSplitsPaths) {
  EXPECT_EQ(backup::MadeFilesPath("C:\\Dumpwarden\\Bak_Info\\Bak_Info.ini"), "C:\\Dumpwarden\\Bak_Info\\made_files.txt");
  EXPECT_EQ(backup::UnreadableMadeFilesPath("C:\\Dumpwarden\\Bak_Info\\Bak_Info.ini"),
            "C:\\Dumpwarden\\Bak_Info\\made_files.unreadable.txt");
  EXPECT_EQ(backup::FolderPart("E:\\Mirror\\Copy of x.rar"), "E:\\Mirror\\");
  EXPECT_EQ(backup::NamePart("E:\\Mirror\\Copy of x.rar"), "Copy of x.rar");
  EXPECT_EQ(backup::FolderKey("E:\\MIRROR\\Copy of x.rar"), backup::FolderKey("e:\\mirror\\other.rar"));
  EXPECT_EQ(backup::FolderPart("E:\\MirrorCopy of x.rar"), "E:\\") << "an entry without its backslash";
}

}  // namespace made_files_record_test
