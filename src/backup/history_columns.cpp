#include "backup/history_columns.h"

#include <cstdint>
#include <cstdio>

namespace backup {
namespace {

// The fields shown in columns of their own, or of no use to an operator reading back.
bool ShownElsewhere(const std::string& key) {
  static const char* const kKeys[] = {"file", "archiver", "test", "archive_bytes", "copies", "total_ms", "connect_ms",
                                      "server_ms", "archiver_ms",   "copies_ms", "delete_ms", "cleanup_ms"};
  for (const char* known : kKeys) {
    if (key == known) {
      return true;
    }
  }
  return false;
}

// A whole, non-negative decimal number that fits, or false.
bool ParseCount(const std::string& text, std::uint64_t& value) {
  if (text.empty() || text.size() > 18) {
    return false;
  }
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

std::string FieldText(const HistoryEntry& entry, const char* key) {
  const std::string* value = entry.Field(key);
  return value == nullptr || *value == "-" ? std::string() : *value;
}

std::string OneDecimal(double value, const char* unit) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.1f %s", value, unit);
  return buffer;
}

}  // namespace

const std::vector<std::string>& HistoryColumnTitles() {
  static const std::vector<std::string> kTitles = {"Time",   "Kind",     "Outcome", "File",
                                                   "Archive", "Copies", "Duration", "Message"};
  return kTitles;
}

std::string ArchiveSizeText(const std::string& bytes) {
  std::uint64_t value = 0;
  if (!ParseCount(bytes, value)) {
    return bytes == "-" ? std::string() : bytes;
  }
  if (value < 1024) {
    return std::to_string(value) + " B";
  }
  if (value < 1024u * 1024u) {
    return OneDecimal(static_cast<double>(value) / 1024.0, "KB");
  }
  if (value < 1024ull * 1024u * 1024u) {
    return OneDecimal(static_cast<double>(value) / (1024.0 * 1024.0), "MB");
  }
  return OneDecimal(static_cast<double>(value) / (1024.0 * 1024.0 * 1024.0), "GB");
}

std::string CopiesText(const std::string& copies) {
  const std::size_t slash = copies.find('/');
  std::uint64_t made = 0;
  std::uint64_t total = 0;
  if (slash == std::string::npos || !ParseCount(copies.substr(0, slash), made) ||
      !ParseCount(copies.substr(slash + 1), total)) {
    return copies == "-" ? std::string() : copies;
  }
  return std::to_string(made) + " of " + std::to_string(total);
}

std::string DurationText(const std::string& milliseconds) {
  std::uint64_t ms = 0;
  if (!ParseCount(milliseconds, ms)) {
    return milliseconds == "-" ? std::string() : milliseconds;
  }
  if (ms < 60000) {
    return OneDecimal(static_cast<double>(ms) / 1000.0, "s");
  }
  const std::uint64_t seconds = ms / 1000;
  if (seconds < 3600) {
    return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
  }
  return std::to_string(seconds / 3600) + " h " + std::to_string(seconds / 60 % 60) + " min";
}

std::vector<std::string> HistoryColumnTexts(const HistoryEntry& entry) {
  std::vector<std::string> texts(kHistoryColumnCount);
  if (entry.outcome == HistoryOutcome::kUnreadable) {
    texts[kHistoryOutcome] = "unreadable";
    texts[kHistoryText] = entry.message;
    return texts;
  }
  // Seconds are enough to tell runs apart; the fraction stays in the file.
  texts[kHistoryTime] = entry.time.substr(0, 19);
  texts[kHistoryKind] = entry.kind;
  texts[kHistoryOutcome] = entry.outcomeWord;
  texts[kHistoryFile] = FieldText(entry, "file");
  texts[kHistoryArchiveSize] = ArchiveSizeText(FieldText(entry, "archive_bytes"));
  texts[kHistoryCopies] = CopiesText(FieldText(entry, "copies"));
  texts[kHistoryDuration] = DurationText(FieldText(entry, "total_ms"));
  std::string text = entry.message;
  for (const auto& [key, value] : entry.fields) {
    if (!ShownElsewhere(key)) {
      text += (text.empty() ? "" : "; ") + key + ": " + value;
    }
  }
  texts[kHistoryText] = text;
  return texts;
}

}  // namespace backup
