#include "db/odbc/driver_choice.h"

#include <algorithm>

#include "db/u16_text.h"

namespace db::odbc {
namespace {

std::u16string_view TrimConfigured(std::u16string_view name) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!name.empty() && blank(name.front())) {
    name.remove_prefix(1);
  }
  while (!name.empty() && blank(name.back())) {
    name.remove_suffix(1);
  }
  // Connection strings write the driver as {Name}; accept that spelling in the settings too.
  if (name.size() >= 2 && name.front() == u'{' && name.back() == u'}') {
    name = name.substr(1, name.size() - 2);
  }
  return name;
}

}  // namespace

std::vector<std::u16string> CandidateDrivers(std::u16string_view configured,
                                             const std::optional<std::vector<std::u16string>>& installed) {
  const std::u16string_view name = TrimConfigured(configured);
  if (!name.empty()) {
    return {std::u16string(name)};
  }
  std::vector<std::u16string> candidates;
  const bool listKnown = installed && !installed->empty();
  for (std::u16string_view known : kKnownDrivers) {
    if (!listKnown) {
      candidates.emplace_back(known);
      continue;
    }
    const auto found = std::find_if(installed->begin(), installed->end(),
                                    [&](const std::u16string& present) { return EqualNoCase(present, known); });
    if (found != installed->end()) {
      candidates.push_back(*found);
    }
  }
  return candidates;
}

}  // namespace db::odbc
