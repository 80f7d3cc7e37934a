#include "backup/old_archive_cleanup.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <utility>

namespace backup {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), LowerAscii);
  return text;
}

std::string TimeText(const platform::LocalDateTime& t) {
  platform::LocalDateTime seconds = t;
  seconds.millisecond = 0;
  std::string text = platform::FormatLocalDateTime(seconds);
  return text.substr(0, text.rfind('.'));
}

// A folder's files by lower-cased name with their sizes where the listing told them, or nothing
// when the folder could not be listed.
using FolderListing = std::optional<std::unordered_map<std::string, std::optional<std::uint64_t>>>;

// What is on disk for each file of the record, from one listing per folder. A file found by name
// whose size the listing did not tell is kPresent for now, and `unsure` says so.
std::vector<Presence> FindOnDisk(const RunFiles& files, const std::vector<MadeFile>& record,
                                 std::vector<std::string>& keys, std::vector<bool>& unsure,
                                 std::vector<std::string>& unreachable) {
  std::unordered_map<std::string, FolderListing> listings;
  std::vector<Presence> presence;
  presence.reserve(record.size());
  keys.reserve(record.size());
  unsure.assign(record.size(), false);
  for (std::size_t i = 0; i < record.size(); ++i) {
    const MadeFile& file = record[i];
    keys.push_back(FolderKey(file.path));
    auto found = listings.find(keys.back());
    if (found == listings.end()) {
      FolderListing listing;
      if (auto list = files.ListFolder(FolderPart(file.path))) {
        listing.emplace();
        listing->reserve(list->size());
        for (platform::FolderFile& entry : *list) {
          listing->emplace(Lower(std::move(entry.name)), entry.size);
        }
      } else {
        unreachable.push_back(FolderPart(file.path));
      }
      found = listings.emplace(keys.back(), std::move(listing)).first;
    }
    const FolderListing& listing = found->second;
    if (!listing) {
      presence.push_back(Presence::kFolderUnreachable);
      continue;
    }
    const auto entry = listing->find(Lower(NamePart(file.path)));
    if (entry == listing->end()) {
      presence.push_back(Presence::kGone);
    } else if (!entry->second) {
      presence.push_back(Presence::kPresent);
      unsure[i] = true;
    } else {
      presence.push_back(*entry->second == file.size ? Presence::kPresent : Presence::kOtherSize);
    }
  }
  return presence;
}

void AskSize(const RunFiles& files, const MadeFile& file, Presence& presence) {
  const auto size = files.Size(file.path);
  presence = !size ? Presence::kGone : *size == file.size ? Presence::kPresent : Presence::kOtherSize;
}

// Where the listing gave names only, the size is asked for just the files the choice can turn on:
// every file old enough to go (by its own recorded time, never younger than the time the choice
// uses) and, in each folder, the newest until KeepCount of them are found as made.
void SettleSizes(const RunFiles& files, const std::vector<MadeFile>& record, const std::vector<std::string>& keys,
                 std::vector<bool>& unsure, std::vector<Presence>& presence, const platform::LocalDateTime& now,
                 KeepRules rules) {
  const std::int64_t oldest = CalendarSeconds(now) - static_cast<std::int64_t>(rules.keepDays) * 86400;
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (unsure[i] && CalendarSeconds(record[i].made) < oldest) {
      AskSize(files, record[i], presence[i]);
      unsure[i] = false;
    }
  }
  const int keepCount = std::max(rules.keepCount, 1);
  std::unordered_map<std::string, int> newest;
  for (std::size_t i = record.size(); i-- > 0;) {
    int& found = newest[keys[i]];
    if (found >= keepCount || !record[i].tested) {
      continue;
    }
    if (unsure[i]) {
      AskSize(files, record[i], presence[i]);
      unsure[i] = false;
    }
    if (presence[i] == Presence::kPresent) {
      ++found;
    }
  }
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

  std::vector<std::string> keys;
  std::vector<bool> unsure;
  std::vector<std::string> unreachable;
  std::vector<Presence> presence = FindOnDisk(files, record, keys, unsure, unreachable);
  if (removalAllowed) {
    SettleSizes(files, record, keys, unsure, presence, result.time, request.rules);
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
        // Asked once more just before: the listing may be a moment old.
        const auto size = files.Size(file.path);
        if (!size) {
          changed = true;
          break;
        }
        if (*size != file.size) {
          changed = true;
          result.events.push_back({CleanupEvent::Kind::kLeftAlone, file.path,
                                   "its size differs from the record, so it is not the file this program made; "
                                   "no longer in the record"});
          break;
        }
        const std::int64_t start = clock.MonotonicMs();
        const bool deleted = files.Delete(file.path);
        result.deleteMs += clock.MonotonicMs() - start;
        if (deleted || !files.Exists(file.path)) {
          changed = true;
          ++result.removed;
          result.events.push_back({CleanupEvent::Kind::kRemoved, file.path, "made " + TimeText(file.made)});
        } else {
          result.events.push_back({CleanupEvent::Kind::kNotRemoved, file.path,
                                   "it could not be removed (locked or read-only); tried again at the next run"});
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
