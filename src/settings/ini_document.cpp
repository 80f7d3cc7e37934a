#include "settings/ini_document.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace settings {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

// The section name of a "[name]" line; nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != '[') {
    return std::nullopt;
  }
  const auto close = trimmed.find(']');
  return Trim(trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

// A "key=value" line; comments (";" first) and lines without "=" are not keys.
std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') {
    return std::nullopt;
  }
  const auto equals = trimmed.find('=');
  if (equals == std::string_view::npos) {
    return std::nullopt;
  }
  return KeyLine{Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1))};
}

// The value as the private-profile reader hands it out: one pair of enclosing quotes removed,
// ended at a NUL byte as a C string would be.
std::string ReadableValue(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  const auto nul = value.find('\0');
  return std::string(value.substr(0, nul));
}

// Built by appending: GCC 12 misreports a "[" + string concatenation here (-Wrestrict).
std::string Join(std::string_view a, std::string_view b, std::string_view c) {
  std::string text;
  text.reserve(a.size() + b.size() + c.size());
  text.append(a).append(b).append(c);
  return text;
}

// A value must stay on its line: anything from a line break on would become lines of its own, and
// a reader ends it at a NUL as a C string.
std::string_view OneLine(std::string_view value) {
  return value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
}

// The value as it is written: in double quotes when a reader would otherwise change it, that is
// when blanks at its ends would be trimmed or a pair of enclosing quotes removed. The reader takes
// one pair of quotes off again, so the value reads back exactly as set.
std::string StoredValue(std::string_view value) {
  const bool blankEnd = !value.empty() && (kBlanks.find(value.front()) != std::string_view::npos ||
                                           kBlanks.find(value.back()) != std::string_view::npos);
  const bool enclosed = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
  if (!blankEnd && !enclosed) {
    return std::string(value);
  }
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted.append(1, '"').append(value).append(1, '"');
  return quoted;
}

std::string_view WithoutByteOrderMark(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes.remove_prefix(3);
  }
  return bytes;
}

// The line that starts at pos, without its CR LF or LF; pos moves to the next line.
std::string_view NextLine(std::string_view bytes, std::size_t& pos) {
  auto end = bytes.find('\n', pos);
  if (end == std::string_view::npos) {
    end = bytes.size();
  }
  std::string_view line = bytes.substr(pos, end - pos);
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  pos = end + 1;
  return line;
}

// Calls visit(key line) for each key line of the first section of that name, in file order, until
// visit returns false or the section ends. One pass over the lines of the bytes.
template <typename Visit>
void VisitSection(std::string_view bytes, std::string_view section, Visit visit) {
  bytes = WithoutByteOrderMark(bytes);
  std::size_t pos = 0;
  bool inSection = false;
  while (pos < bytes.size()) {
    const std::string_view line = NextLine(bytes, pos);
    if (const auto name = SectionName(line)) {
      if (inSection) {
        return;
      }
      inSection = SameName(*name, section);
      continue;
    }
    if (!inSection) {
      continue;
    }
    if (const auto parsed = ParseKeyLine(line)) {
      if (!visit(*parsed)) {
        return;
      }
    }
  }
}

std::string LowerName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return lower;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

IniDocument IniDocument::Parse(std::string_view bytes) {
  const std::string_view text = WithoutByteOrderMark(bytes);
  IniDocument doc;
  doc.byteOrderMark_ = text.size() != bytes.size();
  bytes = text;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    doc.lines_.push_back(Line{std::string(NextLine(bytes, pos))});
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
  for (const Line& line : lines_) {
    out += line.text;
    out += "\r\n";
  }
  return out;
}

std::optional<std::size_t> IniDocument::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i].text);
    if (name && SameName(*name, section)) {
      return i;
    }
  }
  return std::nullopt;
}

std::size_t IniDocument::SectionEnd(std::size_t sectionLine) const {
  std::size_t i = sectionLine + 1;
  while (i < lines_.size() && !SectionName(lines_[i].text)) {
    ++i;
  }
  return i;
}

std::optional<std::size_t> IniDocument::FindKey(std::size_t sectionLine, std::string_view key) const {
  for (std::size_t i = sectionLine + 1; i < lines_.size() && !SectionName(lines_[i].text); ++i) {
    const auto parsed = ParseKeyLine(lines_[i].text);
    if (parsed && SameName(parsed->key, key)) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::string> FindValue(std::string_view bytes, std::string_view section, std::string_view key) {
  std::optional<std::string> value;
  VisitSection(bytes, section, [&](const KeyLine& line) {
    if (!SameName(line.key, key)) {
      return true;
    }
    value = ReadableValue(line.value);
    return false;
  });
  return value;
}

std::vector<std::pair<std::string, std::string>> SectionEntries(std::string_view bytes, std::string_view section) {
  std::vector<std::pair<std::string, std::string>> entries;
  std::unordered_set<std::string> seen;  // lower-case names: a repeat is found in constant time
  VisitSection(bytes, section, [&](const KeyLine& line) {
    if (seen.insert(LowerName(line.key)).second) {
      entries.emplace_back(std::string(line.key), ReadableValue(line.value));
    }
    return true;
  });
  return entries;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string safeValue = StoredValue(OneLine(value));
  const auto sectionLine = FindSection(section);
  if (!sectionLine) {
    lines_.push_back(Line{Join("[", section, "]")});
    lines_.push_back(Line{Join(key, "=", safeValue)});
    return;
  }
  if (const auto keyLine = FindKey(*sectionLine, key)) {
    // Keep the key's spelling as it stands in the file.
    const std::string existingKey(ParseKeyLine(lines_[*keyLine].text)->key);
    lines_[*keyLine].text = Join(existingKey, "=", safeValue);
    return;
  }
  // New keys go after the section's last non-blank line, so blank separators stay between sections.
  std::size_t insertAt = SectionEnd(*sectionLine);
  while (insertAt > *sectionLine + 1 && Trim(lines_[insertAt - 1].text).empty()) {
    --insertAt;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                Line{Join(key, "=", safeValue)});
}

void IniDocument::EraseSection(std::string_view section) {
  // Every section of that name goes: a later duplicate would otherwise surface with stale keys.
  bool dropping = false;
  std::erase_if(lines_, [&](const Line& line) {
    if (const auto name = SectionName(line.text)) {
      dropping = SameName(*name, section);
    }
    return dropping;
  });
}

}  // namespace settings
