// dw_tds_server: a stand-in Microsoft SQL Server for developing and testing Dumpwarden.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "command_line.h"
#include "request_log.h"
#include "server.h"
#include "unique_fd.h"

namespace {

int g_stop_write_fd = -1;

extern "C" void on_stop_signal(int)
{
    const int saved = errno;
    const char byte = 1;
    // The pipe is never drained, so one byte keeps it readable for every waiting thread.
    [[maybe_unused]] const ssize_t ignored = ::write(g_stop_write_fd, &byte, 1);
    errno = saved;
}

bool install_stop_signals()
{
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGPIPE, &ignore, nullptr) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace dw::tds;
    const CommandLine command_line = parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    if (command_line.show_help) {
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    }
    if (!command_line.error.empty()) {
        std::fprintf(stderr, "dw_tds_server: %s\nTry --help.\n", command_line.error.c_str());
        return 2;
    }
    const ServerSettings& settings = command_line.settings;

    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "dw_tds_server: cannot create a pipe: %s\n", std::strerror(errno));
        return 1;
    }
    const UniqueFd stop_read(pipe_fds[0]);
    const UniqueFd stop_write(pipe_fds[1]);
    g_stop_write_fd = stop_write.get();
    if (!install_stop_signals()) {
        std::fprintf(stderr, "dw_tds_server: cannot install signal handlers: %s\n", std::strerror(errno));
        return 1;
    }

    try {
        RequestLog log(settings.log_file);
        Server server(settings, log);
        const std::uint16_t port = server.listen();
        std::printf("listening on 127.0.0.1:%u\n", static_cast<unsigned>(port));
        std::fflush(stdout);
        log.write("server", "started",
                  "port " + std::to_string(port) + ", " + std::to_string(settings.accounts.size()) + " account(s), " +
                      std::to_string(settings.databases.size()) + " database(s), fail mode " +
                      settings.fail.describe() + ", backup size " + std::to_string(settings.bak_size));
        server.run(stop_read.get());
        log.write("server", "stopped", "clean shutdown");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dw_tds_server: %s\n", e.what());
        return 1;
    }
    return 0;
}
