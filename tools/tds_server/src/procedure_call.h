#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "result_set.h"
#include "server_message.h"
#include "typed_value.h"

namespace dw::tds {

struct Argument {
    std::string name;  // "@DB", or empty when passed by position
    ParamValue value;
    bool use_default = false;
};

// What running a stored procedure produced.
struct ProcedureOutcome {
    std::vector<ServerMessage> messages;
    std::optional<ResultSet> result;
    std::int32_t return_status = 0;
    std::string summary;  // for the request log
};

// Matches arguments to a procedure's parameters as SQL Server does: positional ones first, then
// "@name = value" ones; too many, unknown, repeated or missing parameters give SQL Server's errors.
// On success the values come back in parameter order.
std::variant<std::vector<ParamValue>, ServerMessage> bind_arguments(std::string_view procedure,
                                                                    const std::vector<std::string>& parameters,
                                                                    const std::vector<Argument>& args);

}  // namespace dw::tds
