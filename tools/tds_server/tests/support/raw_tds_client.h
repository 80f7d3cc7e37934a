#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dw::tds::test {

// A TDS client on a plain socket, for sending the server what no driver would: truncated packets,
// lying lengths, garbage. Written from the protocol description, not from the server's code.
class RawConnection {
public:
    explicit RawConnection(std::uint16_t port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    void send_bytes(std::span<const std::uint8_t> bytes);
    // Frames the payload as packets of the given size, the last marked end-of-message.
    void send_message(std::uint8_t type, std::span<const std::uint8_t> payload, std::size_t packet_size = 4096);
    // The payload of the next whole message, or nothing when the server closed or kept silent.
    std::optional<std::vector<std::uint8_t>> read_message(std::chrono::milliseconds timeout);
    // True when the server ends the connection (end of stream or reset) within the time-out.
    bool closed_by_server(std::chrono::milliseconds timeout);
    void shutdown_write();

private:
    bool read_exact(std::uint8_t* data, std::size_t size, std::chrono::milliseconds timeout);
    int fd_ = -1;
};

constexpr std::uint8_t kTypeSqlBatch = 0x01;
constexpr std::uint8_t kTypeRpc = 0x03;
constexpr std::uint8_t kTypeAttention = 0x06;
constexpr std::uint8_t kTypeLogin7 = 0x10;
constexpr std::uint8_t kTypePrelogin = 0x12;

struct LoginRequest {
    std::u16string user = u"sa";
    std::u16string password = u"dumpwarden";
    std::u16string database = u"QEL";
    std::uint32_t tds_version = 0x74000004;
    std::uint32_t packet_size = 4096;
    bool integrated_security = false;
};

std::vector<std::uint8_t> prelogin_payload(std::uint8_t encryption);
std::vector<std::uint8_t> login7_payload(const LoginRequest& login);
// ALL_HEADERS with only a transaction descriptor, as 7.2+ clients send it.
std::vector<std::uint8_t> all_headers();
std::vector<std::uint8_t> ucs2(std::u16string_view text);
std::vector<std::uint8_t> sql_batch_payload(std::u16string_view sql, bool with_headers);

// What a client learns from a response's tokens.
struct Response {
    bool login_ack = false;
    std::uint32_t tds_version = 0;  // from LOGINACK
    std::vector<std::int32_t> errors;
    std::vector<std::string> messages;  // ERROR and INFO texts, as ASCII
    std::vector<std::string> nvarchar_values;
    std::vector<std::uint16_t> done_status;  // of every DONE, DONEPROC, DONEINPROC
    std::optional<std::int32_t> return_status;
};

// Walks a token stream of the kinds this server sends. wide: TDS 7.2 or later; collations: 7.1 or
// later. Throws std::runtime_error for a token it does not know.
Response read_response(std::span<const std::uint8_t> payload, bool wide = true, bool collations = true);

// PRELOGIN and LOGIN7 on a fresh connection; the login response, or nothing when the server closed.
std::optional<Response> log_in(RawConnection& connection, const LoginRequest& login = {});

}  // namespace dw::tds::test
