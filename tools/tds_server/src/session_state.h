#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tds_version.h"

namespace dw::tds {

struct PreparedStatement {
    std::string sql;
    std::vector<std::string> parameter_names;  // from its declaration, in order
};

// What one logged-in connection remembers between requests.
struct SessionState {
    TdsVersion version = kTds74;
    std::string user;
    std::string login_database;
    std::string database;
    std::uint16_t spid = 0;
    std::map<std::int32_t, PreparedStatement> prepared;
    std::int32_t next_handle = 1;

    // A request flagged "reset connection" (connection pools) starts from the state after login.
    void reset()
    {
        database = login_database;
        prepared.clear();
    }
};

}  // namespace dw::tds
