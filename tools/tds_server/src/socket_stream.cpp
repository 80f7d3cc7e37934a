#include "socket_stream.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace dw::tds {
namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline)
{
    // Rounded up: poll's time-out is in whole milliseconds, and a wait must not end before its deadline.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
        return 0;
    }
    return left > 1'000'000'000 ? 1'000'000'000 : static_cast<int>(left);
}

}  // namespace

IoStatus SocketStream::wait(short events, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        pollfd fds[2] = {{fd_, events, 0}, {stop_fd_, POLLIN, 0}};
        const int ready = ::poll(fds, stop_fd_ >= 0 ? 2 : 1, remaining_ms(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return IoStatus::Closed;
        }
        if (stop_fd_ >= 0 && (fds[1].revents & POLLIN) != 0) {
            return IoStatus::Stopped;
        }
        if (ready == 0) {
            return IoStatus::TimedOut;
        }
        if ((fds[0].revents & (events | POLLHUP | POLLERR | POLLNVAL)) != 0) {
            // A hang-up still lets recv report the end of the stream, so treat it as readable.
            return (fds[0].revents & POLLNVAL) != 0 ? IoStatus::Closed : IoStatus::Ok;
        }
    }
}

IoStatus SocketStream::read_exact(std::span<std::uint8_t> buffer, std::chrono::milliseconds first_timeout,
                                  std::chrono::milliseconds rest_timeout)
{
    std::size_t done = 0;
    while (done < buffer.size()) {
        const IoStatus ready = wait(POLLIN, done == 0 ? first_timeout : rest_timeout);
        if (ready != IoStatus::Ok) {
            return ready;
        }
        const ssize_t got = ::recv(fd_, buffer.data() + done, buffer.size() - done, 0);
        if (got == 0) {
            return IoStatus::Closed;
        }
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            return IoStatus::Closed;
        }
        done += static_cast<std::size_t>(got);
    }
    return IoStatus::Ok;
}

IoStatus SocketStream::write_all(std::span<const std::uint8_t> data, std::chrono::milliseconds timeout)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const IoStatus ready = wait(POLLOUT, timeout);
        if (ready != IoStatus::Ok) {
            return ready;
        }
        const ssize_t sent = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            return IoStatus::Closed;
        }
        done += static_cast<std::size_t>(sent);
    }
    return IoStatus::Ok;
}

IoStatus SocketStream::wait_readable(std::chrono::milliseconds timeout)
{
    return wait(POLLIN, timeout);
}

}  // namespace dw::tds
