#include "backup/notification.h"

#include <cstdio>

#include "platform/codepage.h"

namespace backup {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Field(const char* name, const std::string& jsonValue) {
  return std::string("\"") + name + "\":" + jsonValue;
}

std::string TextOrNull(const std::string& ansi) { return ansi.empty() ? "null" : JsonString(AnsiToUtf8(ansi)); }

std::string KindName(RunKind kind) {
  switch (kind) {
    case RunKind::kScheduled:
      return "scheduled";
    case RunKind::kImmediate:
      return "immediate";
    case RunKind::kMakeUp:
      return "makeup";
  }
  return "scheduled";
}

}  // namespace

const char* OutcomeName(NotifyOutcome outcome) {
  switch (outcome) {
    case NotifyOutcome::kOk:
      return "ok";
    case NotifyOutcome::kWarning:
      return "warning";
    case NotifyOutcome::kError:
      return "error";
    case NotifyOutcome::kRefused:
      return "refused";
    case NotifyOutcome::kMissed:
      return "missed";
  }
  return "error";
}

NotificationFacts FactsOfRun(const RunRecord& record, const std::string& computer) {
  NotificationFacts facts;
  facts.computer = computer;
  facts.database = record.databaseName;
  facts.kind = KindName(record.kind);
  facts.file = record.backupFileName;
  facts.archiveBytes = record.archiveBytes;
  facts.copiesMade = record.copiesMade;
  facts.copiesTotal = record.copiesListed;
  facts.started = record.start;
  facts.utcOffsetMinutes = platform::UtcOffsetMinutes(record.start);
  facts.durationMs = record.totalMs;
  facts.message = record.message;
  switch (record.outcome) {
    case RunOutcome::kOk:
      facts.outcome = NotifyOutcome::kOk;
      break;
    case RunOutcome::kWarning:
      facts.outcome = NotifyOutcome::kWarning;
      facts.error = record.outcomeText;
      break;
    case RunOutcome::kError:
      facts.outcome = record.notStarted ? NotifyOutcome::kRefused : NotifyOutcome::kError;
      facts.error = record.outcomeText;
      break;
  }
  if (facts.message.empty()) {
    const std::string what = facts.outcome == NotifyOutcome::kOk ? std::string("is created.")
                             : facts.outcome == NotifyOutcome::kRefused
                                 ? "was not started: " + record.outcomeText
                                 : "failed: " + record.outcomeText;
    facts.message = "Backup of database \"" + record.databaseName + "\" " + what;
  }
  return facts;
}

NotificationFacts FactsOfMissed(const std::string& database, const platform::LocalDateTime& reported,
                                const std::string& message, const std::string& detail) {
  NotificationFacts facts;
  facts.database = database;
  facts.kind = "scheduled";  // the backups that did not happen were scheduled ones
  facts.message = message;
  facts.outcome = NotifyOutcome::kMissed;
  facts.archiveBytes = 0;
  facts.started = reported;
  facts.utcOffsetMinutes = platform::UtcOffsetMinutes(reported);
  facts.error = detail;
  return facts;
}

std::string AnsiToUtf8(const std::string& ansi) {
  const std::u16string wide = platform::AnsiToUtf16(ansi);
  std::string out;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone half of a pair is no character
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (u < 0x20 || u == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string Iso8601(const platform::LocalDateTime& t, std::optional<int> utcOffsetMinutes) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.millisecond);
  std::string out = text;
  if (utcOffsetMinutes) {
    const int offset = *utcOffsetMinutes;
    if (offset == 0) {
      out += 'Z';
    } else {
      const int magnitude = offset < 0 ? -offset : offset;
      std::snprintf(text, sizeof text, "%c%02d:%02d", offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
      out += text;
    }
  }
  return out;
}

std::string NotificationBody(const NotificationFacts& f) {
  const std::string message =
      JsonString(AnsiToUtf8((f.computer.empty() ? std::string() : f.computer + ": ") + f.message));
  std::string body = "{";
  body += Field("text", message) + ",";
  body += Field("content", message) + ",";
  body += Field("program", JsonString(kNotifyProgram)) + ",";
  body += Field("version", JsonString(kNotifyVersion)) + ",";
  body += Field("computer", JsonString(AnsiToUtf8(f.computer))) + ",";
  body += Field("database", JsonString(AnsiToUtf8(f.database))) + ",";
  body += Field("kind", JsonString(AnsiToUtf8(f.kind))) + ",";
  body += Field("outcome", JsonString(OutcomeName(f.outcome))) + ",";
  body += Field("file", TextOrNull(f.file)) + ",";
  body += Field("archive_bytes", f.archiveBytes ? std::to_string(*f.archiveBytes) : "null") + ",";
  body += Field("copies_made", std::to_string(f.copiesMade)) + ",";
  body += Field("copies_total", std::to_string(f.copiesTotal)) + ",";
  body += Field("started", JsonString(Iso8601(f.started, f.utcOffsetMinutes))) + ",";
  body += Field("duration_ms", std::to_string(f.durationMs)) + ",";
  body += Field("error", TextOrNull(f.error));
  return body + "}";
}

}  // namespace backup
