#include "backup/history_log.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

using backup::HistoryLine;
using backup::HistoryLog;
using backup::RunKind;
using backup::RunOutcome;
using backup::RunRecord;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

RunRecord Sample() {
  RunRecord r;
  r.start = {2026, 12, 9, 2, 0, 5, 7};
  r.kind = RunKind::kScheduled;
  r.backupFileName = "QEL_20261209_020005.bak";
  r.archiverExitCode = 0u;
  r.testExitCode = 0u;
  r.archiveBytes = 1234567u;
  r.copiesMade = 2;
  r.copiesListed = 2;
  r.connectMs = 40;
  r.serverMs = 850;
  r.archiverMs = 2400;
  r.copiesMs = 120;
  r.deleteMs = 3;
  r.totalMs = 3400;
  return r;
}

TEST(HistoryLine, HoldsEveryFieldOnOneLine) {
  EXPECT_EQ(HistoryLine(Sample()),
            "2026-12-09 02:00:05.007\tscheduled\tfile=QEL_20261209_020005.bak\tarchiver=0\ttest=0\t"
            "archive_bytes=1234567\tcopies=2/2\tconnect_ms=40\tserver_ms=850\tarchiver_ms=2400\tcopies_ms=120\tdelete_ms=3\tcleanup_ms=0\ttotal_ms=3400\tok\r\n");

  RunRecord failed;
  failed.start = {2026, 1, 2, 23, 59, 59, 999};
  failed.kind = RunKind::kImmediate;
  failed.outcome = RunOutcome::kError;
  failed.outcomeText = "Line one\r\nline\ttwo";
  EXPECT_EQ(HistoryLine(failed),
            "2026-01-02 23:59:59.999\timmediate\tfile=-\tarchiver=-\ttest=-\tarchive_bytes=-\tcopies=0/0\t"
            "connect_ms=0\tserver_ms=0\tarchiver_ms=0\tcopies_ms=0\tdelete_ms=0\tcleanup_ms=0\ttotal_ms=0\terror: Line one  line two\r\n")
      << "missing values are dashes; control characters cannot break the line";

  RunRecord warned = Sample();
  warned.outcome = RunOutcome::kWarning;
  warned.outcomeText = "1 of 2 copies failed.";
  warned.archiverExitCode = 4294967295u;
  warned.backupFileName = "odd\nname.bak";
  const std::string line = HistoryLine(warned);
  EXPECT_NE(line.find("\tarchiver=4294967295\t"), std::string::npos);
  EXPECT_NE(line.find("\tfile=odd name.bak\t"), std::string::npos);
  EXPECT_EQ(line.substr(line.size() - 33), "\twarning: 1 of 2 copies failed.\r\n");
}

TEST(HistoryLog, AppendsOneLinePerRunBesideTheSettings) {
  TempDir dir;
  HistoryLog log(dir.Path());
  EXPECT_EQ(log.Path(), dir.File("history.log"));
  log.Append(Sample());
  RunRecord second = Sample();
  second.kind = RunKind::kImmediate;
  log.Append(second);
  EXPECT_EQ(ReadBytes(log.Path()), HistoryLine(Sample()) + HistoryLine(second));
  EXPECT_FALSE(platform::FileExists(log.OldPath()));
}

TEST(HistoryLog, AMakeUpRunHasItsOwnKindAndOtherLinesAreAddedWholeAndRotatedAlike) {
  RunRecord makeUp = Sample();
  makeUp.kind = RunKind::kMakeUp;
  std::string expected = HistoryLine(Sample());
  expected.replace(expected.find("\tscheduled\t"), 11, "\tmakeup\t");
  EXPECT_EQ(HistoryLine(makeUp), expected);

  TempDir dir;
  HistoryLog log(dir.Path());
  const std::string missed = "2026-12-09 10:05:03.000\tmissed\tcause=clock\tcount=1\r\n";
  const std::string almostFull(HistoryLog::kRotateBytes - missed.size() + 1, 'x');
  WriteBytes(log.Path(), almostFull);
  log.AppendLines(missed);
  EXPECT_EQ(ReadBytes(log.Path()), missed) << "the line would pass 1 MiB: the log moved aside first";
  EXPECT_EQ(ReadBytes(log.OldPath()), almostFull);
}

TEST(HistoryLog, MovesAsideOnlyWhenTheLineWouldPassOneMebibyte) {
  TempDir dir;
  HistoryLog log(dir.Path());
  const std::string line = HistoryLine(Sample());
  const std::string almostFull(HistoryLog::kRotateBytes - line.size(), 'x');
  WriteBytes(log.Path(), almostFull);
  WriteBytes(log.OldPath(), "older history");
  log.Append(Sample());
  EXPECT_EQ(ReadBytes(log.Path()).size(), HistoryLog::kRotateBytes) << "exactly 1 MiB stays";
  EXPECT_EQ(ReadBytes(log.OldPath()), "older history");

  log.Append(Sample());
  EXPECT_EQ(ReadBytes(log.Path()), line) << "the new file starts with the line";
  EXPECT_EQ(ReadBytes(log.OldPath()), almostFull + line) << "the full one replaced the older history";
}

TEST(HistoryLog, ALogThatCannotBeWrittenIsGivenUpQuietly) {
  TempDir dir;
  HistoryLog missingFolder(dir.File("no-such-folder"));
  EXPECT_NO_THROW(missingFolder.Append(Sample()));
  EXPECT_FALSE(platform::FileExists(missingFolder.Path()));

  HistoryLog readOnly(dir.Path());
  WriteBytes(readOnly.Path(), "kept\r\n");
  testing_support::SetReadOnly(readOnly.Path(), true);
  EXPECT_NO_THROW(readOnly.Append(Sample()));
  testing_support::SetReadOnly(readOnly.Path(), false);
  EXPECT_EQ(ReadBytes(readOnly.Path()), "kept\r\n");
}

}  // namespace
