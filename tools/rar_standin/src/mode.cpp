#include "mode.h"

#include <cctype>
#include <string>

namespace rar_standin {
namespace {

std::string FirstLineTrimmedLower(std::string_view bytes) {
  const std::size_t end = bytes.find_first_of("\r\n");
  std::string_view line = bytes.substr(0, end);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front())) != 0) {
    line.remove_prefix(1);
  }
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())) != 0) {
    line.remove_suffix(1);
  }
  std::string out;
  for (char c : line) {
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace

Mode ParseMode(std::string_view fileBytes) {
  const std::string line = FirstLineTrimmedLower(fileBytes);
  if (line == "fail") {
    return {Behaviour::kFail, 0};
  }
  if (line == "truncate") {
    return {Behaviour::kTruncate, 0};
  }
  if (line == "crash") {
    return {Behaviour::kCrash, 0};
  }
  constexpr std::string_view kSlow = "slow=";
  if (line.compare(0, kSlow.size(), kSlow) == 0 && line.size() > kSlow.size() &&
      line.find_first_not_of("0123456789", kSlow.size()) == std::string::npos) {
    unsigned long long seconds = 0;
    for (std::size_t i = kSlow.size(); i < line.size() && seconds <= kMaxDelaySeconds; ++i) {
      seconds = seconds * 10 + static_cast<unsigned>(line[i] - '0');
    }
    return {Behaviour::kNormal, static_cast<unsigned>(seconds < kMaxDelaySeconds ? seconds : kMaxDelaySeconds)};
  }
  return {};
}

}  // namespace rar_standin
