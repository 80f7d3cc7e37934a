#pragma once
// One HTTP POST whose answer's status is all that matters. Windows: WinHTTP, with the system's proxy
// settings and its own certificate checks (never switched off: a certificate error is a failure).
// POSIX: plain http over a socket, enough for the native tests against a local receiver.
#include <cstdint>
#include <string>

namespace platform {

struct HttpPostRequest {
  bool secure = false;  // https
  std::string host;
  std::uint16_t port = 80;
  std::string target;   // path and query
  std::string headers;  // extra header lines, each ending with "\r\n"
  std::string body;
  std::int64_t connectMs = 10000;
  std::int64_t totalMs = 20000;  // of the whole request, the answer's status line included
};

struct HttpPostResult {
  bool answered = false;
  int status = 0;
  std::string failure;  // why no status arrived
};

// Redirects are not followed: the notification goes where it was told to, or fails.
HttpPostResult HttpPost(const HttpPostRequest& request);

}  // namespace platform
