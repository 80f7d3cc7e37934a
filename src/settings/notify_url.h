#pragma once
// The web addresses of the notifications (SuccessUrl, FailureUrl of Bak_Info.ini): which ones the
// program sends to, and how one is written into the history without what makes it secret.
#include <cstdint>
#include <optional>
#include <string>

namespace settings {

struct NotifyUrl {
  bool secure = false;     // https
  std::string userInfo;    // "user:password" before the host, as written (percent-escapes kept)
  std::string host;        // a name, an IPv4 address, or an IPv6 address without its brackets
  std::uint16_t port = 0;  // 80 or 443 when the address names none
  std::string target;      // path and query as sent: "/hooks/abc?token=1"; "/" when the address has none
};

struct UrlCheck {
  std::optional<NotifyUrl> url;
  std::string problem;  // why the address is not used, when url is empty
};

// Accepts http:// and https:// addresses (scheme in any letter case) with a host, an optional port
// from 1 to 65535 and printable ASCII only; the fragment is dropped. Everything else is refused with
// a reason fit for the operator: the program sends nowhere it was not plainly told to.
UrlCheck CheckNotifyUrl(const std::string& text);

// The address as the history shows it: scheme, host and port only. Chat webhooks and ping services
// carry their token in the path (…/services/T0/B0/XXXX, …/ping/<uuid>), not only in the query or
// the user-info, so all three become "***".
std::string MaskedUrl(const NotifyUrl& url);

// "Basic <base64 of the user-info>" for an address with user-info; empty otherwise. The
// percent-escapes of the user-info are decoded first, as browsers do.
std::string BasicAuthorization(const NotifyUrl& url);

}  // namespace settings
