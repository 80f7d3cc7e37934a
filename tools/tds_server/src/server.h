#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "request_log.h"
#include "server_settings.h"
#include "unique_fd.h"

namespace dw::tds {

// Listens on 127.0.0.1 and runs a Session on its own thread for each client, up to the configured
// number at once; clients beyond it are closed at once.
class Server {
public:
    Server(const ServerSettings& settings, RequestLog& log);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and listens; returns the port (the chosen one when settings ask for 0).
    // Throws std::runtime_error when the port cannot be had.
    std::uint16_t listen();

    // Serves until stop_fd becomes readable, then closes every client and returns.
    void run(int stop_fd);

private:
    struct Client {
        std::thread thread;
        bool finished = false;
    };

    void accept_one(int stop_fd);
    void reap_finished();
    std::size_t active_clients();

    const ServerSettings& settings_;
    RequestLog& log_;
    UniqueFd listener_;
    std::mutex mutex_;
    std::list<Client> clients_;
    std::uint16_t next_spid_ = 51;
};

}  // namespace dw::tds
