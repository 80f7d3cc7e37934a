#include "settings/backup_settings_form.h"

#include <algorithm>
#include <utility>

#include "settings/backup_settings.h"
#include "settings/list_text.h"
#include "settings/notify_url.h"

namespace settings {
namespace {

constexpr char kRoot[] = "\\";

bool Listed(const std::vector<std::string>& list, const std::string& item) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& x) { return SameTextIgnoringCase(x, item); });
}

// The sorted list's insertion: ascending, letter case ignored; after any equal items, so that equal
// texts keep the order in which they came.
std::size_t InsertSorted(std::vector<std::string>& list, std::string item) {
  const auto at = std::upper_bound(list.begin(), list.end(), item, [](const std::string& a, const std::string& b) {
    return CompareTextIgnoringCase(a, b) < 0;
  });
  const auto position = static_cast<std::size_t>(at - list.begin());
  list.insert(at, std::move(item));
  return position;
}

// "Notify on success (URL): enter an http:// or https:// address, ... (the port is empty)."
std::string InvalidNotifyUrlText(const char* label, const std::string& problem) {
  return std::string(label) + kInvalidNotifyUrlText + " (" + problem + ").";
}

}  // namespace

std::string DirectoryField::BrowseStart(const std::function<bool(const std::string&)>& directoryExists) const {
  const std::string& start = !text.empty() ? text : initialDir;
  if (start.empty() || !directoryExists(start)) {
    return kRoot;
  }
  return start;
}

void DirectoryField::Picked(const std::string& folder, bool exists) {
  text = folder;
  if (exists) {
    initialDir = folder;
  }
}

void DirectoryField::Clicked() {
  if (!text.empty()) {
    initialDir = text;
  }
}

BackupSettingsForm::BackupSettingsForm(FormPrompts& prompts) : prompts_(prompts) { timeField.SetText("00:00"); }

void BackupSettingsForm::Load(const IniFile& ini) {
  BackupSettings loaded = LoadBackupSettings(ini);
  times_.clear();
  for (std::string& time : loaded.times) {
    InsertSorted(times_, std::move(time));
  }
  backupDir.text = std::move(loaded.bakDir);
  rarProgram = std::move(loaded.rarProgram);
  copyDirs_ = std::move(loaded.copyDirs);
  copyDir.text = copyDirs_.empty() ? std::move(loaded.copyTo) : copyDirs_.back();
  // A hand-written value beyond the dialog's range is shown as it is read; saving then asks for one
  // in range rather than silently changing it.
  keepDaysText = std::to_string(loaded.keepDays);
  keepCountText = std::to_string(loaded.keepCount);
  successUrl = std::move(loaded.successUrl);
  failureUrl = std::move(loaded.failureUrl);
  makeUp = loaded.makeUp;
}

bool BackupSettingsForm::Save(IniFile& ini) const {
  const auto keepDays = WholeNumberIn(keepDaysText, 0, kMaxKeepDays);
  if (!keepDays) {
    prompts_.Tell({kInvalidKeepDaysText, kErrorCaption, NoticeIcon::Stop});
    return false;
  }
  const auto keepCount = WholeNumberIn(keepCountText, 1, kMaxKeepCount);
  if (!keepCount) {
    prompts_.Tell({kInvalidKeepCountText, kErrorCaption, NoticeIcon::Stop});
    return false;
  }
  const std::pair<const char*, const std::string*> urls[] = {{kSuccessUrlLabel, &successUrl},
                                                            {kFailureUrlLabel, &failureUrl}};
  for (const auto& [label, url] : urls) {
    if (url->empty()) {
      continue;
    }
    const UrlCheck check = CheckNotifyUrl(*url);
    if (!check.url) {
      prompts_.Tell({InvalidNotifyUrlText(label, check.problem), kErrorCaption, NoticeIcon::Stop});
      return false;
    }
  }
  BackupSettings values;
  values.successUrl = successUrl;
  values.failureUrl = failureUrl;
  values.keepDays = *keepDays;
  values.keepCount = *keepCount;
  values.makeUp = makeUp;
  values.times = times_;
  values.bakDir = backupDir.text;
  values.rarProgram = rarProgram;
  values.copyDirs = copyDirs_;
  SaveBackupSettings(ini, values);
  return true;
}

std::optional<std::size_t> BackupSettingsForm::AddTime() {
  const std::string time = timeField.Text();
  timeField.SetText("");
  if (!IsValidTime(time)) {
    prompts_.Tell({kInvalidTimeText, kErrorCaption, NoticeIcon::Stop});
    return std::nullopt;
  }
  if (Listed(times_, time)) {
    prompts_.Tell({kTimeExistsText, kErrorCaption, NoticeIcon::Stop});
    return std::nullopt;
  }
  if (times_.size() >= kMaxBackupTimes) {
    prompts_.Tell({kTooManyTimesText, kErrorCaption, NoticeIcon::Stop});
    return std::nullopt;
  }
  return InsertSorted(times_, time);
}

bool BackupSettingsForm::DeleteTimes(const std::vector<std::size_t>& selected) {
  return DeleteAsked(times_, selected, kDeleteTimesQuestion);
}

std::optional<std::size_t> BackupSettingsForm::AddCopyDir() {
  if (copyDir.initialDir.empty()) {
    return std::nullopt;
  }
  if (copyDir.initialDir.back() != '\\') {
    copyDir.initialDir += '\\';
  }
  if (Listed(copyDirs_, copyDir.initialDir)) {
    prompts_.Tell({kPathExistsText, kNoticeCaption, NoticeIcon::Information});
    return std::nullopt;
  }
  copyDirs_.push_back(copyDir.initialDir);
  return copyDirs_.size() - 1;
}

bool BackupSettingsForm::DeleteCopyDirs(const std::vector<std::size_t>& selected) {
  return DeleteAsked(copyDirs_, selected, kDeletePathsQuestion);
}

std::string BackupSettingsForm::RarStartFolder() const {
  return rarProgram.empty() ? std::string(kDefaultRarFolder) : FolderOf(rarProgram);
}

bool BackupSettingsForm::DeleteAsked(std::vector<std::string>& list, std::vector<std::size_t> selected,
                                     const char* question) {
  if (!prompts_.Ask({question, kNoticeCaption, NoticeIcon::Question})) {
    return false;
  }
  // From the last to the first, so that the positions still to go keep their meaning.
  std::sort(selected.begin(), selected.end());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    if (*it < list.size()) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(*it));
    }
  }
  return true;
}

std::optional<int> WholeNumberIn(const std::string& text, int low, int high) {
  std::size_t first = text.find_first_not_of(" \t");
  const std::size_t last = text.find_last_not_of(" \t");
  if (first == std::string::npos) {
    return std::nullopt;
  }
  long long value = 0;
  for (std::size_t i = first; i <= last; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return std::nullopt;
    }
    value = value * 10 + (text[i] - '0');
    if (value > high) {
      return std::nullopt;  // also stops a long run of digits before it overflows
    }
  }
  if (value < low) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

std::string FolderOf(const std::string& filePath) {
  const auto slash = filePath.find_last_of("\\:");
  if (slash == std::string::npos) {
    return {};
  }
  std::string folder = filePath.substr(0, slash + 1);
  // "C:\WinRAR.exe" starts in "C:\"; any deeper folder loses its trailing backslash.
  const bool driveRoot = folder.size() == 3 && folder[1] == ':';
  if (!driveRoot && folder.size() > 1 && folder.back() == '\\') {
    folder.pop_back();
  }
  return folder;
}

}  // namespace settings
