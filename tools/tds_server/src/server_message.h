#pragma once

#include <cstdint>
#include <string>

namespace dw::tds {

// An error or informational message as SQL Server reports it. Severity 11 and above travels as an
// ERROR token, lower as INFO.
struct ServerMessage {
    std::int32_t number = 0;
    std::uint8_t state = 1;
    std::uint8_t severity = 16;
    std::string text;
    std::string procedure;
    std::int32_t line = 1;
};

}  // namespace dw::tds
