#pragma once

#include <string>
#include <vector>

#include "server_settings.h"

namespace dw::tds {

struct CommandLine {
    ServerSettings settings;
    bool show_help = false;
    std::string error;  // set when the arguments cannot be used
};

// Reads the options (see usage_text). Options may also come from a file given with --config, one
// "option value" per line, '#' starting a comment; they count as if written at that place.
// Without --user the account is sa/dumpwarden, without --database the one database is QEL, without
// --map the one mapping is Wine's Z:\ to /.
CommandLine parse_command_line(const std::vector<std::string>& args);

std::string usage_text();

}  // namespace dw::tds
