#include "backup/old_archive_cleanup.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <utility>

namespace backup {
namespace {

std::string TimeText(const platform::LocalDateTime& t) {
  platform::LocalDateTime seconds = t;
  seconds.millisecond = 0;
  std::string text = platform::FormatLocalDateTime(seconds);
  return text.substr(0, text.rfind('.'));
}

// What is on disk for the files of the record that the choice can turn on, asked file by file:
// every file old enough to go (by its own recorded time, which is never later than the time the
// choice uses) and, in each folder, the newest until KeepCount of them are found as made. The rest
// are young and not needed to count the newest: they stay as they are, unasked, until they grow
// old. Asking a few files is far cheaper than listing folders of thousands.
std::vector<Presence> Examine(const RunFiles& files, const std::vector<MadeFile>& record,
                              const platform::LocalDateTime& now, KeepRules rules,
                              std::vector<std::string>& unreachable) {
  std::vector<Presence> presence(record.size(), Presence::kPresent);
  std::vector<bool> asked(record.size(), false);
  std::unordered_map<std::string, bool> reachable;  // by folder key
  auto ask = [&](std::size_t i) {
    asked[i] = true;
    const MadeFile& file = record[i];
    if (const auto size = files.Size(file.path)) {
      presence[i] = *size == file.size ? Presence::kPresent : Presence::kOtherSize;
      return;
    }
    const std::string key = FolderKey(file.path);
    auto found = reachable.find(key);
    if (found == reachable.end()) {
      found = reachable.emplace(key, files.FolderExists(FolderPart(file.path))).first;
      if (!found->second) {
        unreachable.push_back(FolderPart(file.path));
      }
    }
    presence[i] = found->second ? Presence::kGone : Presence::kFolderUnreachable;
  };

  const std::int64_t oldest = CalendarSeconds(now) - static_cast<std::int64_t>(rules.keepDays) * 86400;
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (CalendarSeconds(record[i].made) < oldest) {
      ask(i);
    }
  }
  const int keepCount = std::max(rules.keepCount, 1);
  std::unordered_map<std::string, int> newest;
  for (std::size_t i = record.size(); i-- > 0;) {
    if (!record[i].tested) {
      continue;
    }
    int& found = newest[FolderKey(record[i].path)];
    if (found >= keepCount) {
      continue;
    }
    if (!asked[i]) {
      ask(i);
    }
    if (presence[i] == Presence::kPresent || presence[i] == Presence::kFolderUnreachable) {
      ++found;  // an unreachable folder removes nothing anyway
    }
  }
  return presence;
}

}  // namespace

std::vector<MadeFile> FilesMadeByRun(const RunFiles& files, const std::string& archivePath, bool archiveMade,
                                     bool archiveTested, const std::vector<std::string>& copies,
                                     const platform::LocalDateTime& made) {
  std::vector<MadeFile> result;
  if (archiveMade) {
    if (const auto size = files.Size(archivePath)) {
      result.push_back({archivePath, *size, made, archiveTested});
    }
  }
  for (const std::string& copy : copies) {
    if (const auto size = files.Size(copy)) {
      result.push_back({copy, *size, made, true});
    }
  }
  for (MadeFile& file : result) {
    file.made.millisecond = 0;
  }
  return result;
}

CleanupResult RecordAndCleanUp(RunFiles& files, const RunClock& clock, const CleanupRequest& request) {
  CleanupResult result;
  result.time = clock.LocalNow();
  bool removalAllowed = request.runSucceeded && request.rules.keepDays > 0;

  std::vector<MadeFile> record;
  if (files.Exists(request.recordPath)) {
    std::optional<std::vector<MadeFile>> read;
    if (const auto bytes = files.Read(request.recordPath, kMadeFilesRecordLimit)) {
      read = ParseMadeFiles(*bytes);
    }
    if (!read) {
      // Nothing in it can be trusted, and nothing may be removed on a guess. It is kept for the
      // administrator, and a new record is started with this run's files.
      if (!files.Rename(request.recordPath, request.unreadablePath)) {
        result.events.push_back({CleanupEvent::Kind::kRecordUnreadable, request.recordPath,
                                 "the record of made files cannot be read, nor set aside: nothing removed, "
                                 "this run's files not recorded"});
        return result;
      }
      result.events.push_back({CleanupEvent::Kind::kRecordUnreadable, request.recordPath,
                               "the record of made files cannot be read: nothing removed; it is kept as " +
                                   NamePart(request.unreadablePath) + " and a new record started"});
      removalAllowed = false;
    } else {
      record = std::move(*read);
    }
  }
  const std::size_t recorded = record.size();
  for (const MadeFile& file : request.madeNow) {
    AddMadeFile(record, file);
  }

  std::vector<std::string> unreachable;
  std::vector<Presence> presence(record.size(), Presence::kPresent);
  if (removalAllowed) {
    presence = Examine(files, record, result.time, request.rules, unreachable);
  }
  const std::vector<Fate> fates = PlanCleanup(record, presence, result.time, request.rules, removalAllowed);
  if (removalAllowed) {
    for (const std::string& folder : unreachable) {
      result.events.push_back({CleanupEvent::Kind::kFolderSkipped, folder,
                               "the folder cannot be reached; its files are tried at the next run"});
    }
  }

  std::vector<MadeFile> kept;
  kept.reserve(record.size());
  bool changed = record.size() != recorded || !request.madeNow.empty();
  for (std::size_t i = 0; i < record.size(); ++i) {
    MadeFile& file = record[i];
    switch (fates[i]) {
      case Fate::kKeep:
      case Fate::kSkip:
        kept.push_back(std::move(file));
        break;
      case Fate::kForgetGone:
        changed = true;
        break;
      case Fate::kForgetReplaced:
        changed = true;
        result.events.push_back({CleanupEvent::Kind::kLeftAlone, file.path,
                                 "its size differs from the record, so it is not the file this program made; "
                                 "no longer in the record"});
        break;
      case Fate::kRemove: {
        // Its size was asked a moment ago, in Examine.
        const std::int64_t start = clock.MonotonicMs();
        const bool deleted = files.Delete(file.path);
        result.deleteMs += clock.MonotonicMs() - start;
        if (deleted) {
          changed = true;
          ++result.removed;
          result.events.push_back({CleanupEvent::Kind::kRemoved, file.path, "made " + TimeText(file.made)});
        } else if (!files.Exists(file.path) && files.FolderExists(FolderPart(file.path))) {
          changed = true;  // gone meanwhile, by someone else's hand
        } else {
          result.events.push_back({CleanupEvent::Kind::kNotRemoved, file.path,
                                   "it could not be removed (locked, read-only, or its folder gone); tried again "
                                   "at the next run"});
          kept.push_back(std::move(file));
        }
        break;
      }
    }
  }

  if (changed && !files.Replace(request.recordPath, FormatMadeFiles(kept))) {
    result.events.push_back({CleanupEvent::Kind::kRecordNotWritten, request.recordPath,
                             "the record of made files could not be written; this run's files are not in it"});
  }
  return result;
}

}  // namespace backup
