#include "backup/history_reader.h"

#include <algorithm>
#include <tuple>

#include "platform/read_tail.h"

namespace backup {
namespace {

// A log of the program's own lines reaches this only near its rotation size (1 MiB); 200 runs take
// well under the first read. The reads grow only for logs that are not the program's own.
constexpr std::uint64_t kFirstRead = 128u * 1024u;
constexpr std::uint64_t kMostRead = 4u * 1024u * 1024u;
constexpr std::size_t kLongestLine = 64u * 1024u;
constexpr std::size_t kShownOfUnreadable = 120;
// Clean-up lines between the runs, at most this many per run on average.
constexpr std::size_t kLinesPerRun = 10;

std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      c = ' ';
    }
  }
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "2026-12-09 02:00:05" with an optional fraction of a second.
bool LooksLikeTime(std::string_view text) {
  static constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd";
  if (text.size() < kPattern.size()) {
    return false;
  }
  for (std::size_t i = 0; i < kPattern.size(); ++i) {
    const bool digit = kPattern[i] == 'd';
    if (digit ? !IsDigit(text[i]) : text[i] != kPattern[i]) {
      return false;
    }
  }
  const std::string_view rest = text.substr(kPattern.size());
  if (rest.empty()) {
    return true;
  }
  return rest.size() >= 2 && rest[0] == '.' && std::all_of(rest.begin() + 1, rest.end(), IsDigit);
}

bool IsWordChar(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '-' || c == '_'; }

bool LooksLikeKind(std::string_view text) {
  return !text.empty() && text.size() <= 32 && std::all_of(text.begin(), text.end(), IsWordChar);
}

// "key=value" with a key of letters, digits and underscores.
bool SplitKeyValue(std::string_view field, std::string_view& key, std::string_view& value) {
  const std::size_t equals = field.find('=');
  if (equals == 0 || equals == std::string_view::npos || equals > 32) {
    return false;
  }
  key = field.substr(0, equals);
  for (char c : key) {
    if (!IsWordChar(c) || c == '-') {
      return false;
    }
  }
  value = field.substr(equals + 1);
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  return text;
}

// A plain field that names what happened ("removed", "left alone") rather than telling it.
bool IsOutcomeWord(std::string_view text) {
  return !text.empty() && text.size() <= 20 &&
         std::all_of(text.begin(), text.end(), [](char c) { return (c >= 'a' && c <= 'z') || c == ' ' || c == '-'; });
}

bool ParseOutcome(std::string_view field, HistoryEntry& entry) {
  if (field == "ok") {
    entry.outcome = HistoryOutcome::kOk;
    entry.outcomeWord = "ok";
    return true;
  }
  for (const auto& [prefix, outcome, word] :
       {std::tuple{std::string_view("warning:"), HistoryOutcome::kWarning, "warning"},
        std::tuple{std::string_view("error:"), HistoryOutcome::kError, "error"}}) {
    if (StartsWith(field, prefix)) {
      entry.outcome = outcome;
      entry.outcomeWord = word;
      entry.message = Printable(TrimLeft(field.substr(prefix.size())));
      return true;
    }
  }
  return false;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t tab = line.find('\t');
    parts.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) {
      return parts;
    }
    line.remove_prefix(tab + 1);
  }
}

HistoryEntry Unreadable(std::string_view line) {
  HistoryEntry entry;
  entry.outcome = HistoryOutcome::kUnreadable;
  entry.message = Printable(line.substr(0, kShownOfUnreadable));
  return entry;
}

// Gathers entries newest first until it holds the runs asked for.
class Collector {
 public:
  explicit Collector(std::size_t runs) : runs_(runs) {}
  [[nodiscard]] bool Full() const { return runCount_ >= runs_ || entries_.size() >= runs_ * kLinesPerRun; }
  void Add(HistoryEntry entry) {
    if (entry.IsRun()) {
      ++runCount_;
    }
    entries_.push_back(std::move(entry));
  }
  std::vector<HistoryEntry> Take() { return std::move(entries_); }

 private:
  std::size_t runs_;
  std::size_t runCount_ = 0;
  std::vector<HistoryEntry> entries_;
};

// The complete lines of a tail, oldest first, without their line ends. A tail that does not start at
// the beginning of the file starts inside a line: that piece is not a line.
std::vector<std::string_view> CompleteLines(const platform::FileTail& tail, bool lastLineMayBeUnfinished) {
  std::string_view text(tail.bytes);
  if (!tail.WholeFile()) {
    const std::size_t first = text.find('\n');
    text = first == std::string_view::npos ? std::string_view() : text.substr(first + 1);
  }
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      if (!lastLineMayBeUnfinished) {
        lines.push_back(text);
      }
      break;
    }
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.push_back(line);
    text.remove_prefix(end + 1);
  }
  return lines;
}

// Adds the newest lines of one file; true when the file holds nothing older than what it gave, so
// that the next older file follows on.
bool CollectNewest(const std::string& path, bool lastLineMayBeUnfinished, Collector& collector,
                   std::uint64_t& bytesRead) {
  for (std::uint64_t want = kFirstRead;; want = std::min(want * 4, kMostRead)) {
    const auto tail = platform::ReadFileTail(path, want);
    if (!tail) {
      return true;  // missing or unreadable: as if empty
    }
    bytesRead += tail->bytes.size();
    const std::vector<std::string_view> lines = CompleteLines(*tail, lastLineMayBeUnfinished);
    Collector trial = collector;
    std::size_t used = 0;
    for (auto line = lines.rbegin(); line != lines.rend() && !trial.Full(); ++line, ++used) {
      if (line->find_first_not_of(" \r") == std::string_view::npos) {
        continue;  // an empty line tells nothing
      }
      trial.Add(ParseHistoryLine(*line));
    }
    const bool exhausted = used == lines.size();
    if (trial.Full() || tail->WholeFile() || want >= kMostRead) {
      collector = std::move(trial);
      return exhausted && tail->WholeFile();
    }
  }
}

}  // namespace

const std::string* HistoryEntry::Field(std::string_view key) const {
  for (const auto& [k, v] : fields) {
    if (k == key) {
      return &v;
    }
  }
  return nullptr;
}

HistoryEntry ParseHistoryLine(std::string_view line) {
  if (line.size() > kLongestLine) {
    return Unreadable(line);
  }
  const std::vector<std::string_view> parts = SplitTabs(line);
  if (parts.size() < 2 || !LooksLikeTime(parts[0]) || !LooksLikeKind(parts[1])) {
    return Unreadable(line);
  }
  HistoryEntry entry;
  entry.time = std::string(parts[0]);
  entry.kind = std::string(parts[1]);
  std::vector<std::string> plain;
  for (std::size_t i = 2; i < parts.size(); ++i) {
    const std::string_view field = parts[i];
    if (i + 1 == parts.size() && ParseOutcome(field, entry)) {
      break;
    }
    std::string_view key;
    std::string_view value;
    if (SplitKeyValue(field, key, value)) {
      entry.fields.emplace_back(std::string(key), Printable(value));
    } else if (!field.empty()) {
      plain.push_back(Printable(field));
    }
  }
  if (entry.outcomeWord.empty() && !plain.empty() && IsOutcomeWord(plain.front())) {
    entry.outcomeWord = plain.front();
    plain.erase(plain.begin());
  }
  for (const std::string& text : plain) {
    if (!entry.message.empty()) {
      entry.message += "  ";
    }
    entry.message += text;
  }
  // A missed backup time without an outcome of its own is a backup that was not made.
  if (entry.outcome == HistoryOutcome::kOther && entry.kind == "missed") {
    entry.outcome = HistoryOutcome::kError;
  }
  return entry;
}

HistoryListing ReadHistory(const std::string& bakInfoDir, std::size_t runs) {
  HistoryListing listing;
  Collector collector(runs);
  const bool currentExhausted = CollectNewest(bakInfoDir + "\\history.log", true, collector, listing.bytesRead);
  listing.olderLeftOut = !currentExhausted;
  if (currentExhausted && !collector.Full()) {
    // The rotated part is not written any more: its last line is whole even without a line end.
    listing.olderLeftOut =
        !CollectNewest(bakInfoDir + "\\history.old.log", false, collector, listing.bytesRead);
  } else if (currentExhausted) {
    listing.olderLeftOut = platform::ReadFileTail(bakInfoDir + "\\history.old.log", 0).has_value();
  }
  listing.entries = collector.Take();
  return listing;
}

}  // namespace backup
