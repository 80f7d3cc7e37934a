#pragma once

#include <chrono>
#include <cstdint>
#include <span>

namespace dw::tds {

enum class IoStatus { Ok, Closed, TimedOut, Stopped };

// Blocking reads and writes on a connected socket, each bounded by a time-out and cut short when the
// server's stop descriptor becomes readable (the server is shutting down).
class SocketStream {
public:
    SocketStream(int fd, int stop_fd) : fd_(fd), stop_fd_(stop_fd) {}

    // Waits up to first_timeout for the first byte, then up to rest_timeout for the remainder.
    IoStatus read_exact(std::span<std::uint8_t> buffer, std::chrono::milliseconds first_timeout,
                        std::chrono::milliseconds rest_timeout);
    IoStatus write_all(std::span<const std::uint8_t> data, std::chrono::milliseconds timeout);
    // Ok when bytes (or the end of the stream) are waiting to be read.
    IoStatus wait_readable(std::chrono::milliseconds timeout);

private:
    IoStatus wait(short events, std::chrono::milliseconds timeout);

    int fd_;
    int stop_fd_;
};

}  // namespace dw::tds
