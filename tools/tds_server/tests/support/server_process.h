#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace dw::tds::test {

// Runs the built dw_tds_server on a free port with its log and control file in a temporary
// directory, the way the end-to-end tests of the program will. The process is killed if a test
// ends without stopping it.
class ServerProcess {
public:
    explicit ServerProcess(const std::vector<std::string>& extra_args = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    std::uint16_t port() const { return port_; }
    const TempDir& dir() const { return dir_; }
    std::string log_text() const;
    // Writes the control file (a fail mode such as "proc-error"; "none" to behave again).
    void set_fail_mode(const std::string& mode) const;
    bool running();
    // SIGTERM, then waits up to timeout_ms; returns the exit status, or -1 when it had to be killed.
    int stop(int timeout_ms = 5000);

private:
    TempDir dir_;
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace dw::tds::test
