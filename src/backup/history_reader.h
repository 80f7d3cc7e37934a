#pragma once
// Reading Bak_Info\history.log (and history.old.log, the part before its last rotation) back for the
// operator: the newest lines first, read from the end of the files, so that a huge or damaged log
// opens as quickly as a small one. The files are open only while they are read.
//
// A line is parsed without knowing its kind: the time and the kind first, then `key=value` fields and
// plain fields, the outcome ("ok", "warning: ...", "error: ...") last when there is one. Kinds and
// fields this program does not know are kept, so that lines of later versions still show.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace backup {

enum class HistoryOutcome { kOk, kWarning, kError, kOther, kUnreadable };

struct HistoryEntry {
  std::string time;  // as written ("2026-12-09 02:00:05.007"); empty when unreadable
  std::string kind;  // "scheduled", "immediate", "clean-up", or a kind of a later version
  HistoryOutcome outcome = HistoryOutcome::kOther;
  std::string outcomeWord;  // "ok", "warning", "error", or the line's own word ("removed"); may be empty
  std::string message;      // the warning's or the error's text, or the line's other plain fields;
                            // for an unreadable line, its beginning
  std::vector<std::pair<std::string, std::string>> fields;  // key=value, in their order

  // The value of a key=value field, or nullptr.
  [[nodiscard]] const std::string* Field(std::string_view key) const;
  // Lines of the clean-up that follows a run are not runs of their own.
  [[nodiscard]] bool IsRun() const { return kind != "clean-up"; }
};

// One line without its line end.
HistoryEntry ParseHistoryLine(std::string_view line);

struct HistoryListing {
  std::vector<HistoryEntry> entries;  // newest first
  std::uint64_t bytesRead = 0;        // of both files together
  bool olderLeftOut = false;          // the files hold lines older than the listing
};

inline constexpr std::size_t kHistoryRuns = 200;

// The newest `runs` runs (an unreadable line counts as one) with the clean-up lines between them, from
// bakInfoDir + "\history.log" and, when that has fewer, "\history.old.log". A missing file is an empty
// one. The last line of history.log without its line end is being written and is left out.
HistoryListing ReadHistory(const std::string& bakInfoDir, std::size_t runs = kHistoryRuns);

}  // namespace backup
