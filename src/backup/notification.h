#pragma once
// The body of a web notification: one JSON object in UTF-8 that tells how a run ended, for chat
// webhooks ("text" for Slack- and Mattermost-style hooks, "content" for Discord-style ones) and for
// monitors that only need the ping. Nothing secret goes into it: no password, no connection string,
// no settings beyond what the run did.
#include <cstdint>
#include <optional>
#include <string>

#include "backup/history_log.h"
#include "platform/local_time.h"

namespace backup {

inline constexpr char kNotifyProgram[] = "Dumpwarden";
inline constexpr char kNotifyVersion[] = "26.1";

// "ok" goes to SuccessUrl, every other outcome to FailureUrl.
enum class NotifyOutcome { kOk, kWarning, kError, kRefused, kMissed };

const char* OutcomeName(NotifyOutcome outcome);

// What the body tells; texts in the program's 8-bit code page, as the rest of the program keeps them.
struct NotificationFacts {
  std::string computer;
  std::string database;
  std::string kind;     // "scheduled", "immediate", ...
  std::string message;  // the one-line message, without the computer's name
  NotifyOutcome outcome = NotifyOutcome::kOk;
  std::string file;  // the backup file's name; empty when there is none (null in the body)
  std::optional<std::uint64_t> archiveBytes;
  int copiesMade = 0;
  int copiesTotal = 0;
  platform::LocalDateTime started;
  std::optional<int> utcOffsetMinutes;  // none: the time is written without an offset
  std::int64_t durationMs = 0;
  std::string error;  // what went wrong; empty for ok (null in the body)
};

// The facts of a finished run: the balloon's text as its message, or for runs that showed none
// (refused, no connection, an immediate run's error box) a message of the same kind.
NotificationFacts FactsOfRun(const RunRecord& record, const std::string& computer);

// The facts of a report of missed backup times (sent to FailureUrl): no file, sizes and copies 0,
// "started" the time of the report, the balloon's text as the message and what was missed, and why,
// as the error. The computer's name is the sender's to fill in.
NotificationFacts FactsOfMissed(const std::string& database, const platform::LocalDateTime& reported,
                                const std::string& message, const std::string& detail);

// The JSON object, UTF-8, on one line.
std::string NotificationBody(const NotificationFacts& facts);

// Text of the 8-bit code page as UTF-8.
std::string AnsiToUtf8(const std::string& ansi);
// A JSON string literal (quotes included) of UTF-8 text: quotes, backslashes and control characters
// escaped, everything else kept.
std::string JsonString(const std::string& utf8);
// "2026-12-10T02:00:00.123+01:00"; "Z" for offset 0, no offset when unknown.
std::string Iso8601(const platform::LocalDateTime& time, std::optional<int> utcOffsetMinutes);

}  // namespace backup
