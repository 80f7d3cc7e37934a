#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fail_mode.h"
#include "path_map.h"

namespace dw::tds {

struct Account {
    std::string user;
    std::string password;
};

// Everything the server is started with; read-only while it runs.
struct ServerSettings {
    std::uint16_t port = 0;  // 0: any free port
    std::vector<Account> accounts;
    std::vector<std::string> databases;
    PathMap paths;
    std::uint64_t bak_size = 4 * 1024 * 1024;
    std::string log_file;  // empty: standard error
    FailMode fail;
    std::string control_file;
    std::size_t max_clients = 32;
    std::chrono::seconds idle_timeout{600};
    // Longest wait for the login, and for the rest of a message once it began.
    std::chrono::seconds read_timeout{15};

    // Names compare without regard to case, as under SQL Server's default collation; passwords
    // compare exactly.
    const Account* find_account(std::string_view user) const;
    // The configured spelling of a database name, or empty when it is not configured.
    std::string find_database(std::string_view name) const;
};

constexpr std::string_view kDefaultUser = "sa";
constexpr std::string_view kDefaultPassword = "dumpwarden";
constexpr std::string_view kDefaultDatabase = "QEL";
constexpr std::uint64_t kMaxBakSize = 16ull * 1024 * 1024 * 1024;

}  // namespace dw::tds
