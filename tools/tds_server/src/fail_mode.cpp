#include "fail_mode.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace dw::tds {
namespace {

std::string_view trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string FailMode::describe() const
{
    switch (kind) {
    case Kind::None:
        return "none";
    case Kind::Login:
        return "login";
    case Kind::ProcError:
        return "proc-error";
    case Kind::NoResult:
        return "no-result";
    case Kind::Slow:
        return "slow=" + std::to_string(seconds);
    case Kind::Drop:
        return "drop";
    }
    return "none";
}

std::optional<FailMode> parse_fail_mode(std::string_view text)
{
    text = trim(text);
    if (text == "none") {
        return FailMode{};
    }
    if (text == "login") {
        return FailMode{FailMode::Kind::Login, 0};
    }
    if (text == "proc-error") {
        return FailMode{FailMode::Kind::ProcError, 0};
    }
    if (text == "no-result") {
        return FailMode{FailMode::Kind::NoResult, 0};
    }
    if (text == "drop") {
        return FailMode{FailMode::Kind::Drop, 0};
    }
    constexpr std::string_view slow = "slow=";
    if (text.substr(0, slow.size()) == slow) {
        const std::string_view number = text.substr(slow.size());
        unsigned seconds = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), seconds);
        if (error == std::errc{} && end == number.data() + number.size() && !number.empty() &&
            seconds <= kMaxSlowSeconds) {
            return FailMode{FailMode::Kind::Slow, seconds};
        }
    }
    return std::nullopt;
}

FailModeSource::Reading FailModeSource::current() const
{
    Reading reading{startup_, {}};
    if (control_file_.empty()) {
        return reading;
    }
    std::ifstream file(control_file_);
    if (!file) {
        return reading;  // no file: the start-up mode
    }
    std::string line;
    while (std::getline(file, line)) {
        const std::string_view text = trim(line);
        if (text.empty() || text.front() == '#') {
            continue;
        }
        if (const auto mode = parse_fail_mode(text)) {
            reading.mode = *mode;
        } else {
            reading.warning = "control file " + control_file_ + ": unknown mode \"" + std::string(text.substr(0, 40)) +
                              "\", using " + startup_.describe();
        }
        return reading;
    }
    return reading;  // empty file: the start-up mode
}

}  // namespace dw::tds
