#include "server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "session.h"

namespace dw::tds {
namespace {

std::string peer_name(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

Server::Server(const ServerSettings& settings, RequestLog& log) : settings_(settings), log_(log) {}

Server::~Server()
{
    for (auto& client : clients_) {
        if (client.thread.joinable()) {
            client.thread.join();
        }
    }
}

std::uint16_t Server::listen()
{
    listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener_.valid()) {
        throw std::runtime_error(std::string("cannot create socket: ") + std::strerror(errno));
    }
    const int yes = 1;
    ::setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(settings_.port);
    if (::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot bind 127.0.0.1:" + std::to_string(settings_.port) + ": " +
                                 std::strerror(errno));
    }
    if (::listen(listener_.get(), 64) != 0) {
        throw std::runtime_error(std::string("cannot listen: ") + std::strerror(errno));
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

void Server::run(int stop_fd)
{
    for (;;) {
        pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {stop_fd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, 1000);
        if (ready < 0 && errno != EINTR) {
            log_.write("server", "error", std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            accept_one(stop_fd);
        }
        reap_finished();
    }
    listener_.reset();
    log_.write("server", "stopping", "closing " + std::to_string(active_clients()) + " client(s)");
    // Sessions watch stop_fd too, so each ends its wait and its thread returns.
    std::list<Client> remaining;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        remaining.swap(clients_);
    }
    for (auto& client : remaining) {
        client.thread.join();
    }
}

void Server::accept_one(int stop_fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    UniqueFd socket(::accept4(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC));
    if (!socket.valid()) {
        return;  // the client gave up between poll and accept, or a transient shortage
    }
    const std::string peer = peer_name(address);
    reap_finished();
    if (active_clients() >= settings_.max_clients) {
        log_.write(peer, "refused", "already serving " + std::to_string(settings_.max_clients) + " clients");
        return;
    }
    const int yes = 1;
    ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    const std::uint16_t spid = next_spid_;
    next_spid_ = static_cast<std::uint16_t>(next_spid_ == 32000 ? 51 : next_spid_ + 1);

    const std::lock_guard<std::mutex> lock(mutex_);
    Client& client = clients_.emplace_back();
    bool* finished = &client.finished;
    auto fd = std::make_shared<UniqueFd>(std::move(socket));
    try {
        client.thread = std::thread([this, finished, spid, peer, stop_fd, fd] {
            try {
                Session session(std::move(*fd), peer, spid, settings_, log_, stop_fd);
                session.run();
            } catch (...) {
                // Session::run handles its own failures; this only keeps a failed setup from ending
                // the whole server.
            }
            const std::lock_guard<std::mutex> done(mutex_);
            *finished = true;
        });
    } catch (const std::system_error& e) {
        // No thread to be had: this client is closed (fd goes with it), the others go on.
        clients_.pop_back();
        log_.write(peer, "refused", std::string("cannot start a session thread: ") + e.what());
    }
}

void Server::reap_finished()
{
    std::list<Client> done;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = clients_.begin(); it != clients_.end();) {
            if (it->finished) {
                auto next = std::next(it);
                done.splice(done.end(), clients_, it);
                it = next;
            } else {
                ++it;
            }
        }
    }
    for (auto& client : done) {
        client.thread.join();
    }
}

std::size_t Server::active_clients()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return clients_.size();
}

}  // namespace dw::tds
