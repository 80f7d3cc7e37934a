#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace dw::tds {

// The fields of a LOGIN7 message this server looks at. Text is UTF-8.
struct Login7 {
    std::uint32_t tds_version = 0;
    std::uint32_t packet_size = 0;  // 0: the server's choice
    std::uint32_t client_pid = 0;
    std::string host;
    std::string user;
    std::string password;
    std::string app;
    std::string server;
    std::string library;
    std::string language;
    std::string database;
    bool integrated_security = false;  // the client asks for SSPI instead of a password
    bool feature_ext = false;          // the client appended a FeatureExt block (7.4)
};

// Throws ProtocolError when the message is shorter than its fixed part or a name points outside it.
Login7 parse_login7(std::span<const std::uint8_t> payload);

// Undoes the password scrambling of LOGIN7 (each byte: XOR 0xA5, then its nibbles swapped back).
std::u16string unscramble_password(std::span<const std::uint8_t> bytes);

}  // namespace dw::tds
