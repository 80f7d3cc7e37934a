#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dw::tds {

namespace encryption {
constexpr std::uint8_t kOff = 0x00;
constexpr std::uint8_t kOn = 0x01;
constexpr std::uint8_t kNotSupported = 0x02;
constexpr std::uint8_t kRequired = 0x03;
}  // namespace encryption

struct PreloginRequest {
    std::optional<std::uint8_t> encryption;
    std::string instance;
    bool mars = false;
};

// Throws ProtocolError when the option table points outside the message or lacks its terminator.
PreloginRequest parse_prelogin(std::span<const std::uint8_t> payload);

// True when the client's ENCRYPTION option leaves it no way to continue without TLS.
bool client_requires_encryption(const PreloginRequest& request);

// The answer to any PRELOGIN: the server's version, encryption not supported (so neither the login
// nor the rest travels encrypted), the instance accepted, no MARS.
std::vector<std::uint8_t> build_prelogin_response();

}  // namespace dw::tds
