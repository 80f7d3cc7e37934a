#include "platform/http_post.h"

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <memory>

#include "platform/codepage.h"

namespace platform {
namespace {

struct InternetCloser {
  void operator()(void* handle) const { ::WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

std::wstring Wide(const std::string& ansi) {
  const std::u16string wide = AnsiToUtf16(ansi);
  return std::wstring(wide.begin(), wide.end());
}

std::string FailureText(DWORD error) {
  switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
      return "timed out";
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return "cannot connect";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return "host name not found";
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      return "certificate or TLS error (" + std::to_string(error) + ")";
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return "connection reset";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return "not an HTTP answer";
    default:
      return "WinHTTP error " + std::to_string(error);
  }
}

HttpPostResult Failed() { return HttpPostResult{false, 0, FailureText(::GetLastError())}; }

int Limit(std::int64_t ms) { return ms < 1 ? 1 : static_cast<int>(ms); }

}  // namespace

HttpPostResult HttpPost(const HttpPostRequest& request) {
  const auto start = std::chrono::steady_clock::now();
  const auto left = [&] {
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return Limit(request.totalMs - spent.count());
  };
  InternetHandle session(::WinHttpOpen(L"Dumpwarden/26.1", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    return Failed();
  }
  const int connectMs = Limit(request.connectMs < request.totalMs ? request.connectMs : request.totalMs);
  if (!::WinHttpSetTimeouts(session.get(), connectMs, connectMs, left(), left())) {
    return Failed();
  }
  InternetHandle connection(::WinHttpConnect(session.get(), Wide(request.host).c_str(), request.port, 0));
  if (!connection) {
    return Failed();
  }
  InternetHandle call(::WinHttpOpenRequest(connection.get(), L"POST", Wide(request.target).c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                           request.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!call) {
    return Failed();
  }
  DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
  ::WinHttpSetOption(call.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
  const std::wstring headers = Wide(request.headers);
  const auto bodyBytes = static_cast<DWORD>(request.body.size());
  if (!::WinHttpSendRequest(call.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            static_cast<DWORD>(-1L), const_cast<char*>(request.body.data()), bodyBytes, bodyBytes,
                            0)) {
    return Failed();
  }
  // The answer gets what is left of the whole time, not a fresh allowance.
  ::WinHttpSetTimeouts(call.get(), connectMs, connectMs, left(), left());
  if (!::WinHttpReceiveResponse(call.get(), nullptr)) {
    return Failed();
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!::WinHttpQueryHeaders(call.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return Failed();
  }
  return HttpPostResult{true, static_cast<int>(status), ""};
}

}  // namespace platform
