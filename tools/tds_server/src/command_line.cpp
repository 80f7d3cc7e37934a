#include "command_line.h"

#include <charconv>
#include <fstream>
#include <optional>
#include <string_view>

namespace dw::tds {
namespace {

constexpr std::size_t kMaxConfigDepth = 4;

std::optional<std::uint64_t> parse_number(std::string_view text, std::uint64_t max)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() || value > max) {
        return std::nullopt;
    }
    return value;
}

// Bytes with an optional K, M or G suffix (powers of 1024).
std::optional<std::uint64_t> parse_size(std::string_view text)
{
    std::uint64_t unit = 1;
    if (!text.empty()) {
        switch (text.back()) {
        case 'K':
        case 'k':
            unit = 1024;
            break;
        case 'M':
        case 'm':
            unit = 1024 * 1024;
            break;
        case 'G':
        case 'g':
            unit = 1024 * 1024 * 1024;
            break;
        default:
            break;
        }
        if (unit != 1) {
            text.remove_suffix(1);
        }
    }
    const auto count = parse_number(text, kMaxBakSize / unit);
    if (!count) {
        return std::nullopt;
    }
    return *count * unit;
}

class Parser {
public:
    CommandLine run(const std::vector<std::string>& args)
    {
        parse_list(args, 0);
        finish();
        return std::move(result_);
    }

private:
    bool failed() const { return !result_.error.empty(); }
    void fail(std::string message)
    {
        if (!failed()) {
            result_.error = std::move(message);
        }
    }

    void parse_list(const std::vector<std::string>& args, std::size_t depth)
    {
        for (std::size_t i = 0; i < args.size() && !failed(); ++i) {
            std::string name = args[i];
            std::optional<std::string> value;
            if (name == "-h" || name == "--help") {
                result_.show_help = true;
                continue;
            }
            if (name.rfind("--", 0) != 0) {
                fail("unexpected argument \"" + name + "\"");
                return;
            }
            name.erase(0, 2);
            if (const auto equals = name.find('='); equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.erase(equals);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                fail("option --" + name + " needs a value");
                return;
            }
            apply(name, *value, depth);
        }
    }

    void read_config(const std::string& path, std::size_t depth)
    {
        if (depth >= kMaxConfigDepth) {
            fail("--config files nest too deeply at " + path);
            return;
        }
        std::ifstream file(path);
        if (!file) {
            fail("cannot read config file " + path);
            return;
        }
        std::vector<std::string> args;
        std::string line;
        while (std::getline(file, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            const auto start = line.find_first_not_of(" \t");
            if (start == std::string::npos || line[start] == '#') {
                continue;
            }
            const auto gap = line.find_first_of(" \t", start);
            const std::string name = line.substr(start, gap == std::string::npos ? std::string::npos : gap - start);
            args.push_back(name.rfind("--", 0) == 0 ? name : "--" + name);
            if (gap != std::string::npos) {
                const auto value_start = line.find_first_not_of(" \t", gap);
                if (value_start != std::string::npos) {
                    args.push_back(line.substr(value_start));
                }
            }
        }
        parse_list(args, depth + 1);
    }

    void apply(const std::string& name, const std::string& value, std::size_t depth)
    {
        ServerSettings& s = result_.settings;
        if (name == "port") {
            if (const auto port = parse_number(value, 65535)) {
                s.port = static_cast<std::uint16_t>(*port);
            } else {
                fail("--port wants a number from 0 to 65535, not \"" + value + "\"");
            }
        } else if (name == "user") {
            if (value.empty()) {
                fail("--user wants a name");
                return;
            }
            if (!pending_user_.empty()) {
                fail("--user " + pending_user_ + " has no --password");
                return;
            }
            pending_user_ = value;
        } else if (name == "password") {
            if (pending_user_.empty()) {
                fail("--password must follow its --user");
                return;
            }
            s.accounts.push_back({pending_user_, value});
            pending_user_.clear();
        } else if (name == "database") {
            if (value.empty() || value.size() > 128) {
                fail("--database wants a name of 1 to 128 characters");
                return;
            }
            s.databases.push_back(value);
        } else if (name == "map") {
            if (const auto rule = PathMap::parse_rule(value)) {
                s.paths.add(*rule);
            } else {
                fail("--map wants WINDOWS_PREFIX=LOCAL_PREFIX, e.g. 'Z:\\=/', not \"" + value + "\"");
            }
        } else if (name == "bak-size") {
            if (const auto size = parse_size(value)) {
                s.bak_size = *size;
            } else {
                fail("--bak-size wants bytes (optionally with K, M or G) up to 16G, not \"" + value + "\"");
            }
        } else if (name == "log") {
            s.log_file = value;
        } else if (name == "fail") {
            if (const auto mode = parse_fail_mode(value)) {
                s.fail = *mode;
            } else {
                fail("--fail wants login, proc-error, no-result, slow=N, drop or none, not \"" + value + "\"");
            }
        } else if (name == "control-file") {
            s.control_file = value;
        } else if (name == "max-clients") {
            if (const auto count = parse_number(value, 1024); count && *count > 0) {
                s.max_clients = static_cast<std::size_t>(*count);
            } else {
                fail("--max-clients wants a number from 1 to 1024");
            }
        } else if (name == "idle-timeout") {
            if (const auto seconds = parse_number(value, 86400); seconds && *seconds > 0) {
                s.idle_timeout = std::chrono::seconds(*seconds);
            } else {
                fail("--idle-timeout wants seconds from 1 to 86400");
            }
        } else if (name == "read-timeout") {
            if (const auto seconds = parse_number(value, 3600); seconds && *seconds > 0) {
                s.read_timeout = std::chrono::seconds(*seconds);
            } else {
                fail("--read-timeout wants seconds from 1 to 3600");
            }
        } else if (name == "config") {
            read_config(value, depth);
        } else {
            fail("unknown option --" + name);
        }
    }

    void finish()
    {
        if (failed()) {
            return;
        }
        if (!pending_user_.empty()) {
            fail("--user " + pending_user_ + " has no --password");
            return;
        }
        ServerSettings& s = result_.settings;
        if (s.accounts.empty()) {
            s.accounts.push_back({std::string(kDefaultUser), std::string(kDefaultPassword)});
        }
        if (s.databases.empty()) {
            s.databases.emplace_back(kDefaultDatabase);
        }
        // Wine shows the host's root as drive Z:, so a program under Wine names host directories so.
        if (s.paths.empty()) {
            s.paths.add({"Z:\\", "/"});
        }
    }

    CommandLine result_;
    std::string pending_user_;
};

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& args)
{
    return Parser{}.run(args);
}

std::string usage_text()
{
    return R"(dw_tds_server - a stand-in Microsoft SQL Server for developing and testing Dumpwarden.

This is a DEVELOPMENT AND TEST TOOL, not a database server. It listens on 127.0.0.1 only and
speaks enough of TDS 7.0-7.4, unencrypted, for FreeTDS's ODBC driver (tested) and Microsoft's
ODBC drivers with encryption off (untested) to log in and run one stored procedure,
CreateBakFile(@DB, @ToDir): it writes a stand-in backup file <DB>_<yyyymmdd>_<hhmmss>.bak into
ToDir and returns that bare name as a one-row, one-column result.

Usage: dw_tds_server [options]
  --port N              TCP port on 127.0.0.1; 0 (default) picks a free one. Once listening, the
                        server prints one line "listening on 127.0.0.1:PORT" to standard output.
  --user NAME --password PW
                        an account that may log in; repeat the pair for more accounts.
                        Default: --user sa --password dumpwarden. User names ignore case.
  --database NAME       a database logins and CreateBakFile accept (names ignore case);
                        repeatable. Default: QEL.
  --map 'WIN=LOCAL'     map a Windows path prefix to a local one for ToDir, e.g. --map 'D:\=/srv/d'.
                        Backslashes after the prefix become slashes. Repeatable; the longest
                        matching prefix wins; unmapped paths are used as given. Without any --map,
                        'Z:\=/' applies (Wine's drive Z: is the host's root).
  --bak-size BYTES      size of each backup file, K/M/G suffixes allowed (default 4M, at most 16G).
  --log FILE            append the request log to FILE instead of standard error.
  --fail MODE           misbehave on purpose:
                          login       refuse every login (error 18456 "Login failed for user 'X'.")
                          proc-error  CreateBakFile raises an error (severity 16)
                          no-result   CreateBakFile writes its file but returns no result set
                          slow=N      CreateBakFile answers after N seconds (an attention cancels it)
                          drop        the connection is closed when CreateBakFile is called
                          none        behave (the default)
  --control-file FILE   re-read before every login and request: its first non-comment line is a
                        MODE as for --fail and overrides it; a missing or empty file leaves --fail.
  --max-clients N       concurrent connections (default 32); more are closed at once.
  --idle-timeout S      close a connection idle for S seconds (default 600).
  --read-timeout S      close a connection that takes longer than S seconds to log in or to
                        finish sending a message it began (default 15).
  --config FILE         read options from FILE, one "option value" per line, # comments.
  -h, --help            show this text.

Each login and request is logged on one line (never a password). SIGTERM or SIGINT stops the
server: it stops accepting, closes its clients and exits with status 0.
)";
}

}  // namespace dw::tds
