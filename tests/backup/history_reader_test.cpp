#include "backup/history_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "backup/history_columns.h"
#include "backup/history_log.h"
#include "support/temp_dir.h"

namespace {

using backup::HistoryEntry;
using backup::HistoryLine;
using backup::HistoryLog;
using backup::HistoryOutcome;
using backup::ParseHistoryLine;
using backup::ReadHistory;
using backup::RunOutcome;
using backup::RunRecord;
using testing_support::TempDir;
using testing_support::WriteBytes;

// The n-th run: its start minute and its file name tell which one it is.
RunRecord NthRun(int n, RunOutcome outcome = RunOutcome::kOk, const std::string& text = "") {
  RunRecord r;
  r.start = {2026, 12, 1 + n / 1440 % 28, n / 60 % 24, n % 60, 0, 0};
  r.backupFileName = "QEL_" + std::to_string(n) + ".bak";
  r.archiveBytes = 1000u + static_cast<unsigned>(n);
  r.copiesMade = 1;
  r.copiesListed = 2;
  r.outcome = outcome;
  r.outcomeText = text;
  r.totalMs = 3420;
  return r;
}

std::string Lines(int from, int to) {
  std::string text;
  for (int n = from; n <= to; ++n) {
    text += HistoryLine(NthRun(n));
  }
  return text;
}

std::string FileOf(const HistoryEntry& e) { return e.Field("file") != nullptr ? *e.Field("file") : "(none)"; }

TEST(HistoryReader, ReadsBackWhatTheLogWroteNewestFirstWithTheCleanUpBetween) {
  TempDir dir;
  HistoryLog log(dir.Path());
  log.Append(NthRun(1));
  log.Append(NthRun(2, RunOutcome::kWarning, "1 of 2 copies failed."));
  RunRecord failed = NthRun(3, RunOutcome::kError, "CommandText does not return a result set");
  failed.archiveBytes.reset();
  failed.cleanup.time = {2026, 12, 1, 0, 3, 9, 0};
  failed.cleanup.events.push_back({backup::CleanupEvent::Kind::kRemoved, "E:\\Mirror\\Copy of QEL_1.rar", "made x"});
  log.Append(failed);

  const auto listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 4u);
  const auto& cleanUp = listing.entries[0];
  EXPECT_EQ(cleanUp.kind, "clean-up");
  EXPECT_FALSE(cleanUp.IsRun());
  EXPECT_EQ(cleanUp.outcomeWord, "removed");
  EXPECT_EQ(cleanUp.message, "E:\\Mirror\\Copy of QEL_1.rar  made x");

  const auto& error = listing.entries[1];
  EXPECT_EQ(error.time, "2026-12-01 00:03:00.000");
  EXPECT_EQ(error.kind, "scheduled");
  EXPECT_EQ(error.outcome, HistoryOutcome::kError);
  EXPECT_EQ(error.message, "CommandText does not return a result set");
  const auto texts = backup::HistoryColumnTexts(error);
  EXPECT_EQ(texts[backup::kHistoryTime], "2026-12-01 00:03:00");
  EXPECT_EQ(texts[backup::kHistoryFile], "QEL_3.bak");
  EXPECT_EQ(texts[backup::kHistoryArchiveSize], "") << "no archive: a dash in the file, nothing shown";
  EXPECT_EQ(texts[backup::kHistoryCopies], "1 of 2");
  EXPECT_EQ(texts[backup::kHistoryDuration], "3.4 s");
  EXPECT_EQ(texts[backup::kHistoryText], "CommandText does not return a result set");

  EXPECT_EQ(listing.entries[2].outcome, HistoryOutcome::kWarning);
  EXPECT_EQ(listing.entries[2].message, "1 of 2 copies failed.");
  EXPECT_EQ(backup::HistoryColumnTexts(listing.entries[2])[backup::kHistoryArchiveSize], "1002 B");
  EXPECT_EQ(listing.entries[3].outcome, HistoryOutcome::kOk);
  EXPECT_EQ(FileOf(listing.entries[3]), "QEL_1.bak");
  EXPECT_FALSE(listing.olderLeftOut);
}

TEST(HistoryReader, MissingFilesAndFoldersGiveAnEmptyHistory) {
  TempDir dir;
  for (const std::string& folder : {dir.Path(), dir.File("no-such-folder")}) {
    const auto listing = ReadHistory(folder);
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_EQ(listing.bytesRead, 0u);
  }
  testing_support::MakeDir(dir.File("history.log"));  // a folder where the file belongs
  EXPECT_TRUE(ReadHistory(dir.Path()).entries.empty());
}

TEST(HistoryReader, GarbledLinesShowAsUnreadableBetweenTheGoodOnes) {
  TempDir dir;
  const std::string garbage[] = {
      std::string("\x00\x00\x00\x00", 4),           // a crash's zero-filled tail
      "\xff\xfe\x01\x02 binary \x1b[0m",            // bytes of another file
      "2026-12-01 00:01:00.000",                    // a time without a kind
      "2026-13-01T00:01:00\tscheduled\tok",         // not the program's time
      "2026-12-01 00:01:00.000\tsched uled\tok",    // not a kind
      std::string(70000, 'x'),                      // longer than any line of the program
  };
  std::string text = HistoryLine(NthRun(1));
  for (const std::string& g : garbage) {
    text += g + "\r\n";
  }
  text += "\r\n   \r\n" + HistoryLine(NthRun(2));  // empty lines tell nothing
  WriteBytes(dir.File("history.log"), text);

  const auto listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 8u);
  EXPECT_EQ(FileOf(listing.entries.front()), "QEL_2.bak");
  EXPECT_EQ(FileOf(listing.entries.back()), "QEL_1.bak");
  for (std::size_t i = 1; i + 1 < listing.entries.size(); ++i) {
    const auto& e = listing.entries[i];
    EXPECT_EQ(e.outcome, HistoryOutcome::kUnreadable) << i;
    EXPECT_LE(e.message.size(), 120u);
    EXPECT_EQ(e.message.find_first_of(std::string("\x00\x01\x1b\r\n", 5)), std::string::npos) << i;
    EXPECT_EQ(backup::HistoryColumnTexts(e)[backup::kHistoryOutcome], "unreadable");
  }
  EXPECT_EQ(listing.entries[5].message, "\xff\xfe   binary  [0m") << "8-bit text kept, controls blanked";
}

TEST(HistoryReader, TheLastLineBeingWrittenWaitsUntilItIsComplete) {
  TempDir dir;
  const std::string whole = HistoryLine(NthRun(2));
  const std::string half = whole.substr(0, whole.size() / 2);
  WriteBytes(dir.File("history.log"), HistoryLine(NthRun(1)) + half);
  auto listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 1u);
  EXPECT_EQ(FileOf(listing.entries[0]), "QEL_1.bak");

  WriteBytes(dir.File("history.log"), HistoryLine(NthRun(1)) + whole.substr(0, whole.size() - 1));  // "\r" written
  listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 1u) << "a line is complete with its line feed";

  WriteBytes(dir.File("history.log"), HistoryLine(NthRun(1)) + whole);
  ASSERT_EQ(ReadHistory(dir.Path()).entries.size(), 2u);

  // Nobody writes the rotated part: its last line counts without a line end.
  WriteBytes(dir.File("history.old.log"), whole.substr(0, whole.size() - 2));
  WriteBytes(dir.File("history.log"), half);
  listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 1u);
  EXPECT_EQ(listing.entries[0].outcome, HistoryOutcome::kOk);
}

TEST(HistoryReader, TheRotatedPartContinuesTheCurrentOneUpToTheLimit) {
  TempDir dir;
  WriteBytes(dir.File("history.old.log"), Lines(1, 150));
  WriteBytes(dir.File("history.log"), Lines(151, 260));
  auto listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 200u);
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(FileOf(listing.entries[i]), "QEL_" + std::to_string(260 - i) + ".bak") << i;
  }
  EXPECT_TRUE(listing.olderLeftOut);

  // Enough in the current part: the rotated one is not read.
  WriteBytes(dir.File("history.log"), Lines(151, 400));
  listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 200u);
  EXPECT_EQ(FileOf(listing.entries.back()), "QEL_201.bak");
  EXPECT_LE(listing.bytesRead, 128u * 1024u);

  // Exactly the limit in the current part; then an empty one right after a rotation.
  WriteBytes(dir.File("history.log"), Lines(151, 350));
  EXPECT_EQ(FileOf(ReadHistory(dir.Path()).entries.back()), "QEL_151.bak");
  WriteBytes(dir.File("history.log"), "");
  listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 150u);
  EXPECT_EQ(FileOf(listing.entries.front()), "QEL_150.bak");
  EXPECT_FALSE(listing.olderLeftOut);
}

TEST(HistoryReader, CleanUpLinesDoNotCountAsRuns) {
  TempDir dir;
  std::string text;
  for (int n = 1; n <= 210; ++n) {
    text += HistoryLine(NthRun(n)) + "2026-12-01 00:00:09.000\tclean-up\tskipped\tF:\\Gone\t\r\n";
  }
  WriteBytes(dir.File("history.log"), text);
  const auto listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 400u) << "200 runs, each with its clean-up line";
  EXPECT_EQ(listing.entries[0].kind, "clean-up");
  EXPECT_EQ(FileOf(listing.entries[399]), "QEL_11.bak");
}

TEST(HistoryReader, LineEndsOfEitherKind) {
  TempDir dir;
  std::string lf = Lines(1, 3);
  for (std::size_t at = lf.find('\r'); at != std::string::npos; at = lf.find('\r')) {
    lf.erase(at, 1);
  }
  WriteBytes(dir.File("history.log"), lf);
  const auto listing = ReadHistory(dir.Path());
  ASSERT_EQ(listing.entries.size(), 3u);
  for (const auto& e : listing.entries) {
    EXPECT_EQ(e.outcome, HistoryOutcome::kOk);
    EXPECT_EQ(e.outcomeWord, "ok");
  }
  EXPECT_EQ(ParseHistoryLine("2026-12-01 00:01:00.000\tscheduled\tok\r").outcome, HistoryOutcome::kOther)
      << "a carriage return inside a line is not a line end";
}

TEST(HistoryReader, LinesOfKindsAndFieldsOfLaterVersionsStillShow) {
  const auto missed = ParseHistoryLine(
      "2026-12-10 02:00:00.000\tmissed\ttimes=02:00, 03:00\tcause=the computer was off\tnotify=sent 200");
  EXPECT_EQ(missed.kind, "missed");
  EXPECT_EQ(missed.outcome, HistoryOutcome::kError) << "a missed backup is one not made";
  auto texts = backup::HistoryColumnTexts(missed);
  EXPECT_EQ(texts[backup::kHistoryKind], "missed");
  EXPECT_EQ(texts[backup::kHistoryText], "times: 02:00, 03:00; cause: the computer was off; notify: sent 200");

  const auto makeup = ParseHistoryLine(
      "2026-12-10 08:00:00.000\tmakeup\tfile=Q.bak\tcolour=blue\tnotify=failed connection refused\twarning: late");
  EXPECT_EQ(makeup.outcome, HistoryOutcome::kWarning);
  texts = backup::HistoryColumnTexts(makeup);
  EXPECT_EQ(texts[backup::kHistoryFile], "Q.bak");
  EXPECT_EQ(texts[backup::kHistoryText], "late; colour: blue; notify: failed connection refused");
  EXPECT_EQ(texts[backup::kHistoryDuration], "") << "a missing field shows empty";

  const auto bare = ParseHistoryLine("2026-12-10 08:00:00\tsomething-new");
  EXPECT_EQ(bare.outcome, HistoryOutcome::kOther);
  EXPECT_EQ(bare.time, "2026-12-10 08:00:00");
  EXPECT_TRUE(bare.message.empty());

  const auto oddValues = ParseHistoryLine(
      "2026-12-10 08:00:00.1\tscheduled\tarchive_bytes=lots\tcopies=2\ttotal_ms=-5\tx=\t=y\tok");
  texts = backup::HistoryColumnTexts(oddValues);
  EXPECT_EQ(texts[backup::kHistoryArchiveSize], "lots");
  EXPECT_EQ(texts[backup::kHistoryCopies], "2");
  EXPECT_EQ(texts[backup::kHistoryDuration], "-5");
  EXPECT_EQ(texts[backup::kHistoryText], "=y; x: ") << "a field without a key is plain text";
  EXPECT_EQ(oddValues.outcome, HistoryOutcome::kOk);
}

TEST(HistoryColumns, SizesCopiesAndDurationsAtTheirBoundaries) {
  using backup::ArchiveSizeText;
  using backup::CopiesText;
  using backup::DurationText;
  EXPECT_EQ(ArchiveSizeText("0"), "0 B");
  EXPECT_EQ(ArchiveSizeText("1023"), "1023 B");
  EXPECT_EQ(ArchiveSizeText("1024"), "1.0 KB");
  EXPECT_EQ(ArchiveSizeText("1048575"), "1024.0 KB");
  EXPECT_EQ(ArchiveSizeText("1048576"), "1.0 MB");
  EXPECT_EQ(ArchiveSizeText("5368709120"), "5.0 GB");
  EXPECT_EQ(ArchiveSizeText("99999999999999999999"), "99999999999999999999") << "too long to be a size";
  EXPECT_EQ(CopiesText("0/0"), "0 of 0");
  EXPECT_EQ(CopiesText("3/"), "3/");
  EXPECT_EQ(DurationText("59999"), "60.0 s");
  EXPECT_EQ(DurationText("60000"), "1 min 0 s");
  EXPECT_EQ(DurationText("3599999"), "59 min 59 s");
  EXPECT_EQ(DurationText("3600000"), "1 h 0 min");
}

// A log many times larger than any the program writes (hand-made, or a rotation that kept failing)
// is read from its end: only the blocks that hold the newest lines.
TEST(HistoryReader, AHugeLogIsReadFromItsEndOnly) {
  TempDir dir;
  const std::string block = Lines(1, 1000);
  std::string text;
  while (text.size() < 50u * 1024u * 1024u) {
    text += block;
  }
  text += HistoryLine(NthRun(7777, RunOutcome::kError, "newest"));
  WriteBytes(dir.File("history.log"), text);

  const auto start = std::chrono::steady_clock::now();
  const auto listing = ReadHistory(dir.Path());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(listing.entries.size(), 200u);
  EXPECT_EQ(listing.entries[0].message, "newest");
  EXPECT_EQ(FileOf(listing.entries[1]), "QEL_1000.bak");
  EXPECT_EQ(FileOf(listing.entries[199]), "QEL_802.bak");
  EXPECT_LE(listing.bytesRead, 128u * 1024u) << "200 lines of the program fit the first block";
  EXPECT_TRUE(listing.olderLeftOut);
  EXPECT_LT(elapsed, std::chrono::seconds(1));

  // No line end anywhere: the reading stops at its bound instead of reading all 50 MB.
  WriteBytes(dir.File("history.log"), std::string(50u * 1024u * 1024u, 'z'));
  const auto endless = ReadHistory(dir.Path());
  EXPECT_TRUE(endless.entries.empty());
  EXPECT_LE(endless.bytesRead, 8u * 1024u * 1024u);
  EXPECT_TRUE(endless.olderLeftOut);
}

}  // namespace
