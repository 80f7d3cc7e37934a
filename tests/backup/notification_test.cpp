#include "backup/notification.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "support/json_reader.h"

namespace {

using backup::FactsOfRun;
using backup::NotificationBody;
using backup::NotificationFacts;
using backup::NotifyOutcome;
using backup::RunKind;
using backup::RunOutcome;
using backup::RunRecord;
using testing_support::JsonReader;
using testing_support::JsonValue;
using Members = std::map<std::string, JsonValue>;

RunRecord OkRun() {
  RunRecord r;
  r.start = {2026, 12, 10, 2, 0, 5, 7};
  r.kind = RunKind::kScheduled;
  r.databaseName = "QEL";
  r.backupFileName = "QEL_20261210_020005.bak";
  r.archiverExitCode = 0u;
  r.testExitCode = 0u;
  r.archiveBytes = 1234567u;
  r.copiesMade = 2;
  r.copiesListed = 2;
  r.totalMs = 3420;
  r.message = "Bakup of database \"QEL\" is created.";
  return r;
}

Members Parsed(const std::string& body) {
  const auto members = JsonReader::ReadObject(body);
  EXPECT_TRUE(members) << body;
  return members.value_or(Members{});
}

const std::string kFields[] = {"text",        "content",      "program",       "version", "computer",
                               "database",    "kind",         "outcome",       "file",    "archive_bytes",
                               "copies_made", "copies_total", "started",       "duration_ms", "error"};

TEST(NotificationBody, SuccessfulRunHasEveryFieldWithItsValue) {
  const Members m = Parsed(NotificationBody(FactsOfRun(OkRun(), "SRV-01")));
  EXPECT_EQ(m.size(), std::size(kFields));
  for (const std::string& field : kFields) {
    EXPECT_EQ(m.count(field), 1u) << field;
  }
  EXPECT_EQ(m.at("text").text, "SRV-01: Bakup of database \"QEL\" is created.");
  EXPECT_EQ(m.at("content").text, m.at("text").text);
  EXPECT_EQ(m.at("program").text, "Dumpwarden");
  EXPECT_EQ(m.at("computer").text, "SRV-01");
  EXPECT_EQ(m.at("database").text, "QEL");
  EXPECT_EQ(m.at("kind").text, "scheduled");
  EXPECT_EQ(m.at("outcome").text, "ok");
  EXPECT_EQ(m.at("file").text, "QEL_20261210_020005.bak");
  EXPECT_EQ(m.at("archive_bytes").kind, JsonValue::Kind::kNumber);
  EXPECT_EQ(m.at("archive_bytes").text, "1234567");
  EXPECT_EQ(m.at("copies_made").text, "2");
  EXPECT_EQ(m.at("copies_total").text, "2");
  EXPECT_EQ(m.at("duration_ms").text, "3420");
  EXPECT_EQ(m.at("error").kind, JsonValue::Kind::kNull);
  // Local time with the offset the system gives for that date, so a receiver can order runs.
  EXPECT_EQ(m.at("started").text.substr(0, 23), "2026-12-10T02:00:05.007");
  const std::string offset = m.at("started").text.substr(23);
  EXPECT_TRUE(offset == "Z" || (offset.size() == 6 && (offset[0] == '+' || offset[0] == '-') && offset[3] == ':'))
      << offset;
}

TEST(NotificationBody, EveryOutcomeIsNamedAndCarriesItsError) {
  RunRecord warning = OkRun();
  warning.outcome = RunOutcome::kWarning;
  warning.outcomeText = "1 of 2 copies failed.";
  warning.copiesMade = 1;
  warning.message = "Bakup of database \"QEL\" is created, but 1 of 2 copies failed.";

  RunRecord error = OkRun();
  error.kind = RunKind::kImmediate;
  error.outcome = RunOutcome::kError;
  error.outcomeText = "Login failed for user 'sa'";
  error.backupFileName.clear();
  error.archiveBytes.reset();
  error.copiesMade = error.copiesListed = 0;
  error.message.clear();  // an immediate run's error goes to a box, not a balloon

  RunRecord refused = error;
  refused.kind = RunKind::kScheduled;
  refused.notStarted = true;
  refused.outcomeText = "not started: another backup or the connection routine was in progress";

  struct Case {
    RunRecord record;
    const char* outcome;
    const char* error;
    const char* text;
  } cases[] = {
      {warning, "warning", "1 of 2 copies failed.", "PC: Bakup of database \"QEL\" is created, but 1 of 2 copies failed."},
      {error, "error", "Login failed for user 'sa'", "PC: Backup of database \"QEL\" failed: Login failed for user 'sa'"},
      {refused, "refused", "not started: another backup or the connection routine was in progress",
       "PC: Backup of database \"QEL\" was not started: not started: another backup or the connection routine was "
       "in progress"},
  };
  for (const Case& c : cases) {
    const Members m = Parsed(NotificationBody(FactsOfRun(c.record, "PC")));
    EXPECT_EQ(m.at("outcome").text, c.outcome);
    EXPECT_EQ(m.at("error").text, c.error);
    EXPECT_EQ(m.at("text").text, c.text);
  }
  const Members e = Parsed(NotificationBody(FactsOfRun(error, "PC")));
  EXPECT_EQ(e.at("kind").text, "immediate");
  EXPECT_EQ(e.at("file").kind, JsonValue::Kind::kNull);
  EXPECT_EQ(e.at("archive_bytes").kind, JsonValue::Kind::kNull);

  NotificationFacts missed;
  missed.outcome = NotifyOutcome::kMissed;
  missed.kind = "scheduled";
  missed.message = "The backup of 02:00 was missed.";
  missed.error = "the computer was off";
  const Members m = Parsed(NotificationBody(missed));
  EXPECT_EQ(m.at("outcome").text, "missed");
  EXPECT_EQ(m.at("text").text, "The backup of 02:00 was missed.");  // no computer name, no prefix
  EXPECT_EQ(m.at("started").text, "1970-01-01T00:00:00.000");       // offset unknown: none written
}

TEST(NotificationBody, AMakeUpRunIsSentWithItsOwnKind) {
  RunRecord makeUp = OkRun();
  makeUp.kind = RunKind::kMakeUp;
  const Members ok = Parsed(NotificationBody(FactsOfRun(makeUp, "PC")));
  EXPECT_EQ(ok.at("kind").text, "makeup");
  EXPECT_EQ(ok.at("outcome").text, "ok");
  makeUp.outcome = RunOutcome::kError;
  makeUp.outcomeText = "Login failed for user 'sa'";
  makeUp.message = "Login failed for user 'sa'";
  const Members failed = Parsed(NotificationBody(FactsOfRun(makeUp, "PC")));
  EXPECT_EQ(failed.at("kind").text, "makeup");
  EXPECT_EQ(failed.at("outcome").text, "error");
  EXPECT_EQ(failed.at("error").text, "Login failed for user 'sa'");
}

TEST(NotificationBody, AMissedTimeHasNoFileNoSizesAndTellsWhatWasMissed) {
  NotificationFacts facts =
      backup::FactsOfMissed("Q\"EL", {2026, 3, 29, 3, 0, 4, 250}, "Backups at 02:30, 02:45 were missed.",
                            "Missed backup times (cause: clock): 2026-03-29 02:30, 2026-03-29 02:45. One make-up "
                            "run follows.");
  facts.computer = "PC";
  const std::string body = NotificationBody(facts);
  const Members m = Parsed(body);
  EXPECT_EQ(m.size(), std::size(kFields));
  EXPECT_EQ(m.at("outcome").text, "missed");
  EXPECT_EQ(m.at("kind").text, "scheduled");
  EXPECT_EQ(m.at("text").text, "PC: Backups at 02:30, 02:45 were missed.");
  EXPECT_EQ(m.at("content").text, m.at("text").text);
  EXPECT_EQ(m.at("database").text, "Q\"EL");
  EXPECT_EQ(m.at("file").kind, JsonValue::Kind::kNull);
  EXPECT_NE(body.find("\"archive_bytes\":0,\"copies_made\":0,\"copies_total\":0,"), std::string::npos) << body;
  EXPECT_NE(body.find("\"duration_ms\":0,"), std::string::npos) << body;
  EXPECT_EQ(m.at("error").text,
            "Missed backup times (cause: clock): 2026-03-29 02:30, 2026-03-29 02:45. One make-up run follows.");
  EXPECT_EQ(m.at("started").text.rfind("2026-03-29T03:00:04.250", 0), 0u) << m.at("started").text;
}

TEST(NotificationBody, QuotesBackslashesAndControlCharactersAreEscaped) {
  RunRecord r = OkRun();
  r.outcome = RunOutcome::kError;
  r.outcomeText = std::string("a \"quoted\" C:\\path\r\nnext\tline\x01\x1f\x7f end");
  r.databaseName = "Q\"E\\L";
  const std::string body = NotificationBody(FactsOfRun(r, "PC"));
  EXPECT_EQ(body.find('\n'), std::string::npos);  // one line
  EXPECT_EQ(body.find('\x01'), std::string::npos);
  const Members m = Parsed(body);
  EXPECT_EQ(m.at("error").text, r.outcomeText);  // decodes back to exactly what was sent
  EXPECT_EQ(m.at("database").text, "Q\"E\\L");
  EXPECT_NE(body.find("\\u0001"), std::string::npos);
}

TEST(NotificationBody, NamesInTheCodePageArriveAsUtf8) {
  if (platform::AnsiToUtf16("\xFC\x80") != u"\u00FC\u20AC") {
    GTEST_SKIP() << "this system's code page is not Windows-1252";
  }
  RunRecord r = OkRun();
  r.databaseName = "M\xFCller\x80";
  r.message = "Bakup of database \"M\xFCller\x80\" is created.";
  const Members m = Parsed(NotificationBody(FactsOfRun(r, "B\xFCro")));
  EXPECT_EQ(m.at("database").text, "M\xC3\xBCller\xE2\x82\xAC");
  EXPECT_EQ(m.at("computer").text, "B\xC3\xBCro");
  EXPECT_EQ(m.at("text").text, "B\xC3\xBCro: Bakup of database \"M\xC3\xBCller\xE2\x82\xAC\" is created.");
}

TEST(Iso8601, OffsetsEastWestAndZero) {
  const platform::LocalDateTime t{2026, 3, 29, 23, 59, 59, 999};
  EXPECT_EQ(backup::Iso8601(t, 60), "2026-03-29T23:59:59.999+01:00");
  EXPECT_EQ(backup::Iso8601(t, -570), "2026-03-29T23:59:59.999-09:30");
  EXPECT_EQ(backup::Iso8601(t, 0), "2026-03-29T23:59:59.999Z");
  EXPECT_EQ(backup::Iso8601(t, 345), "2026-03-29T23:59:59.999+05:45");
}

}  // namespace
