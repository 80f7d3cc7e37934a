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
  for (std::string& dir : ReadCopyDirs(ini)) {
    values.copyDirs.push_back(WithTrailingBackslash(std::move(dir)));
  }
  return values;
}

void SaveBackupSettings(IniFile& ini, const BackupSettings& values) {
  ini.EraseSection(kBakSection);
  ini.WriteInteger(kBakSection, "TimeCount", static_cast<int>(values.times.size()));
  for (std::size_t i = 0; i < values.times.size(); ++i) {
    ini.WriteString(kBakSection, TimeKey(static_cast<int>(i + 1)), values.times[i]);
  }
  std::string bakDir = values.bakDir;
  if (!bakDir.empty() && bakDir.back() == '\\') {
    bakDir.pop_back();
  }
  ini.WriteString(kBakSection, "BakDir", bakDir);
  ini.WriteInteger(kCopySection, "count", static_cast<int>(values.copyDirs.size()));
  for (std::size_t i = 0; i < values.copyDirs.size(); ++i) {
    ini.WriteString(kCopySection, "Copy" + std::to_string(i + 1), values.copyDirs[i]);
  }
  ini.WriteString(kBakSection, "RarProgram", values.rarProgram);
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

}  // namespace settings
