#include "backup/made_files_record.h"

#include <algorithm>
#include <charconv>

namespace backup {
namespace {

constexpr std::string_view kHeader = "Dumpwarden made files 1";
constexpr std::string_view kEnd = "end ";
constexpr std::string_view kLineEnd = "\r\n";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SamePath(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

std::string TwoDigits(int n) { return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10); }

std::string FormatTime(const platform::LocalDateTime& t) {
  std::string year = std::to_string(t.year);
  year.insert(0, year.size() < 4 ? 4 - year.size() : 0, '0');
  return year + "-" + TwoDigits(t.month) + "-" + TwoDigits(t.day) + " " + TwoDigits(t.hour) + ":" +
         TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

// Exactly `width` decimal digits.
bool Digits(std::string_view text, std::size_t at, std::size_t width, int& value) {
  if (at + width > text.size()) {
    return false;
  }
  value = 0;
  for (std::size_t i = at; i < at + width; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return false;
    }
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool ParseTime(std::string_view text, platform::LocalDateTime& t) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return false;
  }
  if (!Digits(text, 0, 4, t.year) || !Digits(text, 5, 2, t.month) || !Digits(text, 8, 2, t.day) ||
      !Digits(text, 11, 2, t.hour) || !Digits(text, 14, 2, t.minute) || !Digits(text, 17, 2, t.second)) {
    return false;
  }
  t.millisecond = 0;
  return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) && t.hour < 24 &&
         t.minute < 60 && t.second < 60;
}

bool ParseCount(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0')) {
    return false;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// Splits off the next line (without its CR LF); false when no complete line is left.
bool NextLine(std::string_view& rest, std::string_view& line) {
  const std::size_t end = rest.find(kLineEnd);
  if (end == std::string_view::npos) {
    return false;
  }
  line = rest.substr(0, end);
  rest.remove_prefix(end + kLineEnd.size());
  return true;
}

bool ParseEntry(std::string_view line, MadeFile& file) {
  const std::size_t tab1 = line.find('\t');
  const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
  const std::size_t tab3 = tab2 == std::string_view::npos ? tab2 : line.find('\t', tab2 + 1);
  if (tab3 == std::string_view::npos) {
    return false;
  }
  const std::string_view status = line.substr(tab2 + 1, tab3 - tab2 - 1);
  const std::string_view path = line.substr(tab3 + 1);
  if (status != "ok" && status != "bad") {
    return false;
  }
  if (path.empty() || path.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string_view::npos ||
      path.find('\\') == std::string_view::npos) {
    return false;
  }
  if (!ParseTime(line.substr(0, tab1), file.made) || !ParseCount(line.substr(tab1 + 1, tab2 - tab1 - 1), file.size)) {
    return false;
  }
  file.tested = status == "ok";
  file.path = std::string(path);
  return true;
}

std::size_t FolderEnd(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string MadeFilesPath(const std::string& settingsPath) {
  return settingsPath.substr(0, FolderEnd(settingsPath)) + "made_files.txt";
}

std::string UnreadableMadeFilesPath(const std::string& settingsPath) {
  return settingsPath.substr(0, FolderEnd(settingsPath)) + "made_files.unreadable.txt";
}

std::string FormatMadeFiles(const std::vector<MadeFile>& files) {
  std::string text;
  text.reserve(32 + files.size() * 96);
  text += kHeader;
  text += kLineEnd;
  for (const MadeFile& file : files) {
    text += FormatTime(file.made);
    text += '\t';
    text += std::to_string(file.size);
    text += file.tested ? "\tok\t" : "\tbad\t";
    text += file.path;
    text += kLineEnd;
  }
  text += kEnd;
  text += std::to_string(files.size());
  text += kLineEnd;
  return text;
}

std::optional<std::vector<MadeFile>> ParseMadeFiles(std::string_view bytes) {
  std::string_view rest = bytes;
  std::string_view line;
  if (!NextLine(rest, line) || line != kHeader) {
    return std::nullopt;
  }
  std::vector<MadeFile> files;
  while (NextLine(rest, line)) {
    if (line.substr(0, kEnd.size()) == kEnd) {
      std::uint64_t count = 0;
      if (!rest.empty() || !ParseCount(line.substr(kEnd.size()), count) || count != files.size()) {
        return std::nullopt;
      }
      return files;
    }
    MadeFile file;
    if (!ParseEntry(line, file)) {
      return std::nullopt;
    }
    files.push_back(std::move(file));
  }
  return std::nullopt;  // no closing line: cut short
}

void AddMadeFile(std::vector<MadeFile>& files, MadeFile file) {
  files.erase(std::remove_if(files.begin(), files.end(),
                             [&](const MadeFile& old) { return SamePath(old.path, file.path); }),
              files.end());
  files.push_back(std::move(file));
}

std::string FolderKey(const std::string& path) {
  std::string key = FolderPart(path);
  std::transform(key.begin(), key.end(), key.begin(), LowerAscii);
  return key;
}

std::string FolderPart(const std::string& path) { return path.substr(0, FolderEnd(path)); }

std::string NamePart(const std::string& path) { return path.substr(FolderEnd(path)); }

}  // namespace backup
