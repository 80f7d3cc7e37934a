#include "settings/ini_file.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <utility>

#include "platform/files.h"
#include "settings/ini_document.h"

namespace settings {
namespace {

std::optional<std::string> LoadBytes(const std::string& path) {
  return platform::ReadFileBytes(path, IniFile::kMaxFileBytes);
}

std::optional<IniDocument> Load(const std::string& path) {
  const auto bytes = LoadBytes(path);
  if (!bytes) {
    return std::nullopt;
  }
  return IniDocument::Parse(*bytes);
}

// For a write: the current contents, or an empty document for a file that does not exist yet.
// A file that exists but cannot be read is never replaced, or its contents would be lost.
IniDocument LoadForUpdate(const std::string& path) {
  if (!platform::FileExists(path)) {
    return {};
  }
  auto doc = Load(path);
  if (!doc) {
    throw IniWriteError(path);
  }
  return std::move(*doc);
}

void Store(const std::string& path, const IniDocument& doc) {
  if (!platform::ReplaceFileAtomically(path, doc.Serialize())) {
    throw IniWriteError(path);
  }
}

}  // namespace

IniWriteError::IniWriteError(const std::string& path) : std::runtime_error("Unable to write to " + path) {}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

IniFile IniFile::Snapshot(std::string path) {
  IniFile file(std::move(path));
  file.heldBytes_ = LoadBytes(file.path_);
  file.snapshot_ = true;
  return file;
}

std::optional<std::string> IniFile::Bytes() const { return snapshot_ ? heldBytes_ : LoadBytes(path_); }

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  const auto bytes = Bytes();
  std::optional<std::string> value;
  if (bytes) {
    value = FindValue(*bytes, section, key);
  }
  std::string result = value ? std::move(*value) : defaultValue;
  if (result.size() > kMaxValueLength) {
    result.resize(kMaxValueLength);
  }
  return result;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int defaultValue) const {
  int value = 0;
  return ParseIniInteger(ReadString(section, key, ""), value) ? value : defaultValue;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  const auto bytes = Bytes();
  return bytes && FindValue(*bytes, section, key).has_value();
}

std::vector<std::pair<int, std::string>> IniFile::ReadNumberedKeys(const std::string& section,
                                                                  const std::string& prefix, int count) const {
  std::vector<std::pair<int, std::string>> numbered;
  const auto bytes = Bytes();
  if (!bytes || count < 1) {
    return numbered;
  }
  for (auto& [key, value] : SectionEntries(*bytes, section)) {
    if (key.size() <= prefix.size() || !SameName(std::string_view(key).substr(0, prefix.size()), prefix)) {
      continue;
    }
    const std::string_view digits = std::string_view(key).substr(prefix.size());
    int n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    const bool canonical = error == std::errc() && end == digits.data() + digits.size() && digits.front() != '0';
    if (canonical && n >= 1 && n <= count) {
      if (value.size() > kMaxValueLength) {
        value.resize(kMaxValueLength);
      }
      numbered.emplace_back(n, std::move(value));
    }
  }
  std::sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return numbered;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  IniDocument doc = LoadForUpdate(path_);
  doc.Set(section, key, value);
  Store(path_, doc);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::EraseSection(const std::string& section) {
  if (!platform::FileExists(path_)) {
    return;  // nothing to erase; the first write creates the file
  }
  IniDocument doc = LoadForUpdate(path_);
  doc.EraseSection(section);
  Store(path_, doc);
}

void IniFile::Update(const std::function<void(IniDocument&)>& changes) {
  IniDocument doc = LoadForUpdate(path_);
  changes(doc);
  Store(path_, doc);
}

bool ParseIniInteger(const std::string& text, int& value) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  if (digits.empty()) {
    return false;
  }
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (error != std::errc() || end != digits.data() + digits.size()) {
    return false;
  }
  if (base == 16) {
    // Hexadecimal spells the 32-bit pattern: 0xFFFFFFFF is -1.
    if (magnitude > std::numeric_limits<std::uint32_t>::max()) {
      return false;
    }
    const auto bits = static_cast<std::uint32_t>(magnitude);
    std::int64_t pattern = bits > 0x7FFFFFFFu ? std::int64_t(bits) - (std::int64_t(1) << 32) : std::int64_t(bits);
    if (negative) {
      pattern = -pattern;
    }
    if (pattern < std::numeric_limits<std::int32_t>::min() || pattern > std::numeric_limits<std::int32_t>::max()) {
      return false;
    }
    value = static_cast<int>(pattern);
    return true;
  }
  const std::int64_t limit = negative ? std::int64_t(1) << 31 : (std::int64_t(1) << 31) - 1;
  if (magnitude > static_cast<std::uint64_t>(limit)) {
    return false;
  }
  value = static_cast<int>(negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude));
  return true;
}

}  // namespace settings
