#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dw::tds {

// A misbehaviour the server is told to show, for tests of the client's error handling.
struct FailMode {
    enum class Kind {
        None,
        Login,      // refuse every login (18456)
        ProcError,  // CreateBakFile raises an error
        NoResult,   // CreateBakFile writes its file but returns no result set
        Slow,       // CreateBakFile answers after `seconds`
        Drop,       // the connection is closed when CreateBakFile is called
    };
    Kind kind = Kind::None;
    unsigned seconds = 0;

    std::string describe() const;
    friend bool operator==(const FailMode&, const FailMode&) = default;
};

constexpr unsigned kMaxSlowSeconds = 3600;

// Reads "none", "login", "proc-error", "no-result", "slow=N" (N up to kMaxSlowSeconds) or "drop".
std::optional<FailMode> parse_fail_mode(std::string_view text);

// The mode in force for one request: the control file's when it names one, else the start-up mode.
// The file is read again for every request, so a test can switch modes while the server runs.
class FailModeSource {
public:
    FailModeSource(FailMode startup, std::string control_file)
        : startup_(startup), control_file_(std::move(control_file))
    {
    }

    struct Reading {
        FailMode mode;
        std::string warning;  // set when the control file holds something unreadable
    };
    Reading current() const;

private:
    FailMode startup_;
    std::string control_file_;
};

}  // namespace dw::tds
