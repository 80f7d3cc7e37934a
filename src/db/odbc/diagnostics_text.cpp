#include "db/odbc/diagnostics_text.h"

#include <algorithm>

#include "platform/codepage.h"

namespace db::odbc {
namespace {

constexpr std::u16string_view kServerGroup = u"[SQL Server]";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool IsWarning(const DiagnosticRecord& r) { return r.sqlState.rfind(u"01", 0) == 0; }

// The server's messages reach the program through the driver, which marks them "[SQL Server]" as the
// last of its groups.
bool FromServer(const DiagnosticRecord& r) {
  std::u16string_view text = r.message;
  std::size_t lastGroup = std::u16string_view::npos;
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == u'[') {
    const std::size_t close = text.find(u']', pos);
    if (close == std::u16string_view::npos) {
      break;
    }
    lastGroup = pos;
    pos = close + 1;
  }
  return lastGroup != std::u16string_view::npos && text.substr(lastGroup, pos - lastGroup) == kServerGroup;
}

}  // namespace

std::u16string StripVendorPrefixes(std::u16string_view message) {
  std::u16string_view text = message;
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && text.front() == u'[') {
    const std::size_t close = text.find(u']');
    if (close == std::u16string_view::npos) {
      break;
    }
    text.remove_prefix(close + 1);
  }
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return std::u16string(text);
}

std::string ComposeErrorMessage(const std::vector<DiagnosticRecord>& records) {
  const bool onlyWarnings = std::all_of(records.begin(), records.end(), IsWarning);
  std::vector<const DiagnosticRecord*> ordered;
  for (const bool server : {true, false}) {
    for (const auto& r : records) {
      if (FromServer(r) == server && (onlyWarnings || !IsWarning(r))) {
        ordered.push_back(&r);
      }
    }
  }
  std::vector<std::u16string> lines;
  for (const auto* r : ordered) {
    std::u16string line = StripVendorPrefixes(r->message);
    if (!line.empty() && std::find(lines.begin(), lines.end(), line) == lines.end()) {
      lines.push_back(std::move(line));
    }
  }
  if (lines.empty()) {
    return records.empty() ? "The database driver reported an error without a message"
                           : "The database driver reported an error (SQLSTATE " +
                                 platform::Utf16ToAnsi(records.front().sqlState) + ")";
  }
  std::u16string joined;
  for (const auto& line : lines) {
    if (!joined.empty()) {
      joined += u'\n';
    }
    joined += line;
  }
  return platform::Utf16ToAnsi(joined);
}

bool DriverMissing(const std::vector<DiagnosticRecord>& records) {
  return std::any_of(records.begin(), records.end(), [](const DiagnosticRecord& r) {
    // unixODBC reports a driver library it cannot load as a general warning of its own.
    const bool managerCannotLoad =
        r.sqlState == u"01000" && r.message.find(u"[Driver Manager]Can't open lib") != std::u16string::npos;
    return r.sqlState == u"IM002" || r.sqlState == u"IM003" || managerCannotLoad;
  });
}

FailureKind ClassifyFailure(const std::vector<DiagnosticRecord>& records) {
  const auto state = [](const DiagnosticRecord& r, std::u16string_view s) { return r.sqlState == s; };
  const auto noAnswer = [&](const DiagnosticRecord& r) {
    return state(r, u"08001") || state(r, u"08S01") || state(r, u"HYT00") || state(r, u"HYT01") ||
           r.message.find(u"Unable to connect") != std::u16string::npos;
  };
  const auto serverAnswered = [&](const DiagnosticRecord& r) {
    if (state(r, u"28000") || state(r, u"08004") || r.sqlState.rfind(u"42", 0) == 0) {
      return true;  // login refused, connection rejected, unknown database or no access
    }
    return r.nativeError > 0 && !noAnswer(r) && !IsWarning(r) && r.sqlState.rfind(u"IM", 0) != 0;
  };
  if (std::any_of(records.begin(), records.end(), serverAnswered)) {
    return FailureKind::serverRefused;
  }
  if (std::any_of(records.begin(), records.end(), noAnswer)) {
    return FailureKind::serverUnreachable;
  }
  return FailureKind::other;
}

bool LinkLost(const std::vector<DiagnosticRecord>& records) {
  return std::any_of(records.begin(), records.end(),
                     [](const DiagnosticRecord& r) { return r.sqlState.rfind(u"08", 0) == 0; });
}

}  // namespace db::odbc
