#pragma once
// In-memory form of an INI file: its lines, and the lookups the settings-file object needs.
// Lines that are neither sections nor keys (comments, blanks) are kept so that a rewrite preserves them.
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

  // Value of the key in the first section of that name; nullopt when either is missing.
  [[nodiscard]] std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // Every key of the first section of that name with its value, in file order; a key that appears
  // twice counts once, with its first value (as a lookup would find it).
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;

  void Set(std::string_view section, std::string_view key, std::string_view value);
  void EraseSection(std::string_view section);

 private:
  struct Line {
    std::string text;
  };
  [[nodiscard]] std::optional<std::size_t> FindSection(std::string_view section) const;
  [[nodiscard]] std::size_t SectionEnd(std::size_t sectionLine) const;
  [[nodiscard]] std::optional<std::size_t> FindKey(std::size_t sectionLine, std::string_view key) const;

  std::vector<Line> lines_;
};

// Name comparison of the private-profile functions: letter case is ignored.
bool SameName(std::string_view a, std::string_view b);

}  // namespace settings
