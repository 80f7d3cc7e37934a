#pragma once
// In-memory form of an INI file for editing: its lines, kept so that a rewrite preserves comments
// and blanks. Reads need no editable copy: they walk the file's bytes once (FindValue, SectionEntries).
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace settings {

class IniDocument {
 public:
  static IniDocument Parse(std::string_view bytes);
  [[nodiscard]] std::string Serialize() const;

  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes every section of that name with its keys, in one pass over the lines.
  void EraseSection(std::string_view section);

 private:
  struct Line {
    std::string text;
  };
  [[nodiscard]] std::optional<std::size_t> FindSection(std::string_view section) const;
  [[nodiscard]] std::size_t SectionEnd(std::size_t sectionLine) const;
  [[nodiscard]] std::optional<std::size_t> FindKey(std::size_t sectionLine, std::string_view key) const;

  std::vector<Line> lines_;
  bool byteOrderMark_ = false;  // written back as found, so that a second mark stays text of line 1
};

// Value of the key in the first section of that name in a file's bytes; nullopt when either is missing.
std::optional<std::string> FindValue(std::string_view bytes, std::string_view section, std::string_view key);

// Every key of the first section of that name with its value, in file order; a key that appears
// twice counts once, with its first value (as a lookup would find it). One pass over the section.
std::vector<std::pair<std::string, std::string>> SectionEntries(std::string_view bytes, std::string_view section);

// Name comparison of the private-profile functions: letter case is ignored.
bool SameName(std::string_view a, std::string_view b);

}  // namespace settings
