#include "command_line.h"

namespace rar_standin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> items;
  std::size_t i = 0;

  std::string program;
  bool quoted = false;
  while (i < line.size() && (quoted || !IsBlank(line[i]))) {
    if (line[i] == '"') {
      quoted = !quoted;
    } else {
      program += line[i];
    }
    ++i;
  }
  items.push_back(program);

  while (true) {
    while (i < line.size() && IsBlank(line[i])) {
      ++i;
    }
    if (i >= line.size()) {
      break;
    }
    std::string item;
    quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      if (line[i] == '\\') {
        std::size_t slashes = 0;
        while (i < line.size() && line[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < line.size() && line[i] == '"') {
          item.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            item += '"';
            ++i;
          }
          // An even count leaves the quote to toggle below.
        } else {
          item.append(slashes, '\\');
        }
        continue;
      }
      if (line[i] == '"') {
        if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          item += '"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      item += line[i];
      ++i;
    }
    items.push_back(item);
  }
  return items;
}

std::string JoinCommandLine(const std::vector<std::string>& items) {
  std::string line;
  for (const std::string& item : items) {
    if (!line.empty()) {
      line += ' ';
    }
    const bool needsQuotes = item.empty() || item.find_first_of(" \t\"") != std::string::npos;
    line += needsQuotes ? "\"" + item + "\"" : item;
  }
  return line;
}

}  // namespace rar_standin
