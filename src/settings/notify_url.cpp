#include "settings/notify_url.h"

#include <cctype>

namespace settings {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

bool Printable(const std::string& text) {
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) {
      return false;
    }
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string Base64(const std::string& bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += kDigits[v & 63];
  }
  if (i + 1 == bytes.size()) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

UrlCheck Refused(std::string problem) { return UrlCheck{std::nullopt, std::move(problem)}; }

}  // namespace

UrlCheck CheckNotifyUrl(const std::string& text) {
  const std::size_t schemeEnd = text.find("://");
  if (schemeEnd == std::string::npos) {
    return Refused("not an http or https address");
  }
  const std::string scheme = Lower(text.substr(0, schemeEnd));
  if (scheme != "http" && scheme != "https") {
    return Refused("not an http or https address");
  }
  if (!Printable(text)) {
    return Refused("the address holds spaces, control or non-ASCII characters");
  }
  NotifyUrl url;
  url.secure = scheme == "https";
  std::string rest = text.substr(schemeEnd + 3);
  if (const std::size_t hash = rest.find('#'); hash != std::string::npos) {
    rest.resize(hash);
  }
  const std::size_t authorityEnd = rest.find_first_of("/?");
  std::string authority = rest.substr(0, authorityEnd);
  url.target = authorityEnd == std::string::npos ? "/" : rest.substr(authorityEnd);
  if (url.target[0] == '?') {
    url.target.insert(0, "/");
  }
  if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
    url.userInfo = authority.substr(0, at);
    authority.erase(0, at + 1);
  }
  std::string portText;
  if (!authority.empty() && authority[0] == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string::npos) {
      return Refused("the host is not complete");
    }
    url.host = authority.substr(1, close - 1);
    const std::string after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') {
        return Refused("the host is not complete");
      }
      portText = after.substr(1);
      if (portText.empty()) {
        return Refused("the port is empty");
      }
    }
  } else {
    const std::size_t colon = authority.find(':');
    url.host = authority.substr(0, colon);
    if (colon != std::string::npos) {
      portText = authority.substr(colon + 1);
      if (portText.empty()) {
        return Refused("the port is empty");
      }
    }
  }
  if (url.host.empty()) {
    return Refused("the address names no host");
  }
  url.port = url.secure ? 443 : 80;
  if (!portText.empty()) {
    unsigned long port = 0;
    for (const char c : portText) {
      if (c < '0' || c > '9' || port > 65535) {
        return Refused("the port is not a number from 1 to 65535");
      }
      port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    if (port < 1 || port > 65535) {
      return Refused("the port is not a number from 1 to 65535");
    }
    url.port = static_cast<std::uint16_t>(port);
  }
  return UrlCheck{url, ""};
}

std::string MaskedUrl(const NotifyUrl& url) {
  std::string text = url.secure ? "https://" : "http://";
  if (!url.userInfo.empty()) {
    text += "***@";
  }
  text += url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
  if (url.port != (url.secure ? 443 : 80)) {
    text += ":" + std::to_string(url.port);
  }
  const std::size_t query = url.target.find('?');
  const std::string path = url.target.substr(0, query);
  text += path == "/" ? "/" : "/***";
  if (query != std::string::npos) {
    text += "?***";
  }
  return text;
}

std::string BasicAuthorization(const NotifyUrl& url) {
  if (url.userInfo.empty()) {
    return "";
  }
  return "Basic " + Base64(PercentDecoded(url.userInfo));
}

}  // namespace settings
