#pragma once
// The settings-file object: an INI file with the semantics of the Windows private-profile functions,
// implemented once so that both builds read and write exactly alike.
// Every operation reads the file afresh; nothing is cached between calls.
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "settings/ini_document.h"

namespace settings {

// A refused write: "Unable to write to <path>".
class IniWriteError : public std::runtime_error {
 public:
  explicit IniWriteError(const std::string& path);
};

class IniFile {
 public:
  static constexpr std::size_t kMaxValueLength = 2047;      // as a 2048-byte read buffer
  static constexpr std::uint64_t kMaxFileBytes = 16u << 20;  // larger files are not settings files

  explicit IniFile(std::string path);
  // The file as it is now, read once: every later read answers from these contents, so that one
  // run sees one consistent set of settings even when the file is rewritten meanwhile. Writes
  // still go to the file (and do not change the snapshot).
  static IniFile Snapshot(std::string path);

  [[nodiscard]] const std::string& FileName() const { return path_; }

  // The key's value, at most 2047 characters; the default when the file, section or key is missing.
  [[nodiscard]] std::string ReadString(const std::string& section, const std::string& key,
                                       const std::string& defaultValue) const;
  // Decimal or 0x-hexadecimal; the default when missing or not an integer.
  [[nodiscard]] int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
  // True when the section lists the key, even with an empty value.
  [[nodiscard]] bool ValueExists(const std::string& section, const std::string& key) const;

  // Keys numbered prefix1, prefix2, ... (decimal, no leading zeros, prefix matched without regard to
  // case) from 1 up to `count`, with their values, in ascending order. The same result as asking for
  // each numbered key in turn, but it costs one reading however large `count` is.
  [[nodiscard]] std::vector<std::pair<int, std::string>> ReadNumberedKeys(const std::string& section,
                                                                         const std::string& prefix, int count) const;

  // Creates the file, the section or the key as needed; raises IniWriteError when refused.
  // Folders are never created.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  // Removes the section and all its keys; raises IniWriteError when refused.
  void EraseSection(const std::string& section);
  // Several changes as one write: applied in order to the current contents and stored in one step,
  // so a refusal (IniWriteError) leaves the file exactly as it was.
  void Update(const std::function<void(IniDocument&)>& changes);

 private:
  [[nodiscard]] std::optional<std::string> Bytes() const;

  std::string path_;
  bool snapshot_ = false;
  std::optional<std::string> heldBytes_;  // a snapshot's contents; nullopt when it could not be read
};

// The integer reading rule on its own: decimal with optional sign, or 0x hexadecimal (32 bits).
bool ParseIniInteger(const std::string& text, int& value);

}  // namespace settings
