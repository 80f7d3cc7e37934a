#include "settings/backup_settings.h"

namespace settings {
namespace {

std::string WithTrailingBackslash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\') {
    dir += '\\';
  }
  return dir;
}

}  // namespace

std::string TimeKey(int n) { return "Time_" + std::to_string(n); }

BackupSettings LoadBackupSettings(const IniFile& ini) {
  BackupSettings values;
  if (ini.ValueExists(kBakSection, "TimeCount")) {
    for (auto& [n, time] : ini.ReadNumberedKeys(kBakSection, "Time_", ini.ReadInteger(kBakSection, "TimeCount", 0))) {
      values.times.push_back(std::move(time));
    }
  }
  values.bakDir = WithTrailingBackslash(ini.ReadString(kBakSection, "BakDir", ""));
  values.rarProgram = ini.ReadString(kBakSection, "RarProgram", "");
  values.copyTo = ini.ReadString(kBakSection, "CopyTo", "");
  values.keepDays = ReadKeepDays(ini);
  values.keepCount = ReadKeepCount(ini);
  const NotifyUrls urls = ReadNotifyUrls(ini);
  values.successUrl = urls.successUrl;
  values.failureUrl = urls.failureUrl;
  values.makeUp = ReadMakeUp(ini);
  for (std::string& dir : ReadCopyDirs(ini)) {
    values.copyDirs.push_back(WithTrailingBackslash(std::move(dir)));
  }
  return values;
}

void SaveBackupSettings(IniFile& ini, const BackupSettings& values) {
  // The writes of the save, in their order, stored together: a refused save leaves the whole old file.
  ini.Update([&](IniDocument& doc) {
    doc.EraseSection(kBakSection);
    doc.Set(kBakSection, "TimeCount", std::to_string(values.times.size()));
    for (std::size_t i = 0; i < values.times.size(); ++i) {
      doc.Set(kBakSection, TimeKey(static_cast<int>(i + 1)), values.times[i]);
    }
    std::string bakDir = values.bakDir;
    if (!bakDir.empty() && bakDir.back() == '\\') {
      bakDir.pop_back();
    }
    doc.Set(kBakSection, "BakDir", bakDir);
    doc.Set(kCopySection, "count", std::to_string(values.copyDirs.size()));
    for (std::size_t i = 0; i < values.copyDirs.size(); ++i) {
      doc.Set(kCopySection, "Copy" + std::to_string(i + 1), values.copyDirs[i]);
    }
    doc.Set(kBakSection, "RarProgram", values.rarProgram);
    doc.Set(kBakSection, "KeepDays", std::to_string(values.keepDays));
    doc.Set(kBakSection, "KeepCount", std::to_string(values.keepCount));
    doc.Set(kBakSection, "MakeUp", values.makeUp ? "1" : "0");
    // Files of installations that send no notifications stay as they were.
    if (values.successUrl.empty() && values.failureUrl.empty()) {
      doc.EraseSection(kNotifySection);
    } else {
      doc.Set(kNotifySection, "SuccessUrl", values.successUrl);
      doc.Set(kNotifySection, "FailureUrl", values.failureUrl);
    }
  });
}

int ReadTimeCount(const IniFile& ini) { return ini.ReadInteger(kBakSection, "TimeCount", 0); }

std::string ReadBakDir(const IniFile& ini, const std::string& exeDir) {
  return ini.ReadString(kBakSection, "BakDir", exeDir + "\\BakDir");
}

std::string ReadTimeEntry(const IniFile& ini, int n) { return ini.ReadString(kBakSection, TimeKey(n), "00:00"); }

std::string ReadRarProgram(const IniFile& ini) { return ini.ReadString(kBakSection, "RarProgram", ""); }

std::vector<std::string> ReadCopyDirs(const IniFile& ini) {
  std::vector<std::string> dirs;
  for (auto& [n, dir] : ini.ReadNumberedKeys(kCopySection, "copy", ini.ReadInteger(kCopySection, "count", 0))) {
    if (!dir.empty()) {
      dirs.push_back(std::move(dir));
    }
  }
  return dirs;
}

int ReadKeepDays(const IniFile& ini) {
  const int days = ini.ReadInteger(kBakSection, "KeepDays", kKeepEverything);
  return days > 0 ? days : kKeepEverything;
}

int ReadKeepCount(const IniFile& ini) {
  const int count = ini.ReadInteger(kBakSection, "KeepCount", kDefaultKeepCount);
  return count >= 1 ? count : 1;
}

NotifyUrls ReadNotifyUrls(const IniFile& ini) {
  return NotifyUrls{ini.ReadString(kNotifySection, "SuccessUrl", ""), ini.ReadString(kNotifySection, "FailureUrl", "")};
}
bool ReadMakeUp(const IniFile& ini) { return ini.ReadInteger(kBakSection, "MakeUp", 1) != 0; }

}  // namespace settings
