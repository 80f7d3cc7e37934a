#include "backup/history_log.h"

#include <utility>

#include "platform/append_file.h"

namespace backup {
namespace {

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      c = ' ';
    }
  }
  return text;
}

template <typename T>
std::string OrDash(const std::optional<T>& value) {
  return value ? std::to_string(*value) : std::string("-");
}

std::string OutcomeText(const RunRecord& record) {
  switch (record.outcome) {
    case RunOutcome::kOk:
      return "ok";
    case RunOutcome::kWarning:
      return "warning: " + OneLine(record.outcomeText);
    case RunOutcome::kError:
      return "error: " + OneLine(record.outcomeText);
  }
  return "error";
}

}  // namespace

std::string NotifyFields(const RunRecord& r) {
  std::string fields;
  if (!r.notifyTo.empty()) {
    fields += "\tnotify_to=" + OneLine(r.notifyTo);
  }
  if (!r.notify.empty()) {
    fields += "\tnotify=" + OneLine(r.notify);
  }
  return fields;
}

std::string HistoryLine(const RunRecord& r) {
  const std::string file = r.backupFileName.empty() ? std::string("-") : OneLine(r.backupFileName);
  std::string line = platform::FormatLocalDateTime(r.start);
  line += '\t';
  line += r.kind == RunKind::kScheduled ? "scheduled" : r.kind == RunKind::kImmediate ? "immediate" : "makeup";
  line += "\tfile=" + file;
  line += "\tarchiver=" + OrDash(r.archiverExitCode);
  line += "\ttest=" + OrDash(r.testExitCode);
  line += "\tarchive_bytes=" + OrDash(r.archiveBytes);
  line += "\tcopies=" + std::to_string(r.copiesMade) + "/" + std::to_string(r.copiesListed);
  line += "\tconnect_ms=" + std::to_string(r.connectMs);
  line += "\tserver_ms=" + std::to_string(r.serverMs);
  line += "\tarchiver_ms=" + std::to_string(r.archiverMs);
  line += "\tcopies_ms=" + std::to_string(r.copiesMs);
  line += "\tdelete_ms=" + std::to_string(r.deleteMs);
  line += "\tcleanup_ms=" + std::to_string(r.cleanupMs);
  line += "\ttotal_ms=" + std::to_string(r.totalMs);
  line += NotifyFields(r);
  line += '\t' + OutcomeText(r);
  line += "\r\n";
  return line;
}

std::string CleanupLines(const CleanupResult& cleanup) {
  std::string lines;
  const std::string time = platform::FormatLocalDateTime(cleanup.time);
  for (const CleanupEvent& event : cleanup.events) {
    const char* what = "";
    switch (event.kind) {
      case CleanupEvent::Kind::kRemoved:
        what = "removed";
        break;
      case CleanupEvent::Kind::kNotRemoved:
        what = "not removed";
        break;
      case CleanupEvent::Kind::kFolderSkipped:
        what = "skipped";
        break;
      case CleanupEvent::Kind::kLeftAlone:
        what = "left alone";
        break;
      case CleanupEvent::Kind::kRecordUnreadable:
        what = "nothing removed";
        break;
      case CleanupEvent::Kind::kRecordNotWritten:
        what = "not recorded";
        break;
    }
    lines += time + "\tclean-up\t" + what + "\t" + OneLine(event.path) + "\t" + OneLine(event.detail) + "\r\n";
  }
  return lines;
}

HistoryLog::HistoryLog(std::string bakInfoDir)
    : dir_(std::move(bakInfoDir)), lock_(std::make_shared<std::mutex>()) {}

void HistoryLog::Append(const RunRecord& record) noexcept {
  try {
    AppendLines(HistoryLine(record) + CleanupLines(record.cleanup));
  } catch (...) {
    // Out of memory while formatting: the run goes on without its line.
  }
}

void HistoryLog::AppendLines(const std::string& line) noexcept {
  try {
    const std::string path = Path();
    const std::lock_guard<std::mutex> hold(*lock_);
    const auto size = platform::FileSize(path);
    if (size && *size + line.size() > kRotateBytes) {
      platform::RenameReplacing(path, OldPath());
    }
    platform::AppendToFile(path, line);
  } catch (...) {
    // Out of memory while formatting: the run goes on without its line.
  }
}

}  // namespace backup
