#include "platform/http_post.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace platform {
namespace {

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  [[nodiscard]] int Get() const { return fd_; }

 private:
  int fd_;
};

HttpPostResult Failure(std::string why) { return HttpPostResult{false, 0, std::move(why)}; }

// Waits for the socket; false when the deadline passed first.
bool Wait(int fd, short events, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      return false;
    }
    pollfd p{fd, events, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready > 0) {
      return true;
    }
    if (ready < 0 && errno != EINTR) {
      return false;
    }
  }
}

}  // namespace

HttpPostResult HttpPost(const HttpPostRequest& request) {
  if (request.secure) {
    return Failure("https is not supported by this build");
  }
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::milliseconds(request.totalMs);
  const auto connectDeadline = start + std::chrono::milliseconds(std::min(request.connectMs, request.totalMs));

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(request.host.c_str(), std::to_string(request.port).c_str(), &hints, &found) != 0 || !found) {
    return Failure("host name not found");
  }
  Socket socket(::socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, found->ai_protocol));
  const int connected = socket.Get() < 0 ? -1 : ::connect(socket.Get(), found->ai_addr, found->ai_addrlen);
  const int connectError = errno;
  ::freeaddrinfo(found);
  if (socket.Get() < 0) {
    return Failure("no socket");
  }
  if (connected != 0) {
    if (connectError != EINPROGRESS) {
      return Failure(connectError == ECONNREFUSED ? "cannot connect" : std::strerror(connectError));
    }
    if (!Wait(socket.Get(), POLLOUT, connectDeadline)) {
      return Failure("timed out");
    }
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0) {
      return Failure(error == ECONNREFUSED ? "cannot connect" : std::strerror(error));
    }
  }

  const std::string message = "POST " + request.target + " HTTP/1.1\r\nHost: " + request.host + ":" +
                              std::to_string(request.port) + "\r\nContent-Length: " +
                              std::to_string(request.body.size()) + "\r\nConnection: close\r\n" + request.headers +
                              "\r\n" + request.body;
  std::size_t sent = 0;
  while (sent < message.size()) {
    if (!Wait(socket.Get(), POLLOUT, deadline)) {
      return Failure("timed out");
    }
    const ssize_t n = ::send(socket.Get(), message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return Failure("connection reset");
    }
    sent += n > 0 ? static_cast<std::size_t>(n) : 0;
  }

  std::string answer;
  while (answer.find("\r\n") == std::string::npos && answer.size() < 4096) {
    if (!Wait(socket.Get(), POLLIN, deadline)) {
      return Failure("timed out");
    }
    char buffer[1024];
    const ssize_t n = ::recv(socket.Get(), buffer, sizeof buffer, 0);
    if (n == 0) {
      break;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return Failure("connection reset");
    }
    answer.append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
  }
  // "HTTP/1.1 200 OK"
  if (answer.compare(0, 5, "HTTP/") != 0 || answer.find(' ') == std::string::npos) {
    return Failure("not an HTTP answer");
  }
  const std::size_t space = answer.find(' ');
  const int status = std::atoi(answer.c_str() + space + 1);
  if (status < 100 || status > 999) {
    return Failure("not an HTTP answer");
  }
  return HttpPostResult{true, status, ""};
}

}  // namespace platform
