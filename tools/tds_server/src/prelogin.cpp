#include "prelogin.h"

#include <array>

#include "byte_reader.h"
#include "byte_writer.h"
#include "protocol_error.h"
#include "server_identity.h"

namespace dw::tds {
namespace {

constexpr std::uint8_t kOptionVersion = 0x00;
constexpr std::uint8_t kOptionEncryption = 0x01;
constexpr std::uint8_t kOptionInstance = 0x02;
constexpr std::uint8_t kOptionThreadId = 0x03;
constexpr std::uint8_t kOptionMars = 0x04;
constexpr std::uint8_t kTerminator = 0xFF;
constexpr std::size_t kMaxOptions = 64;

}  // namespace

PreloginRequest parse_prelogin(std::span<const std::uint8_t> payload)
{
    PreloginRequest request;
    ByteReader table(payload);
    for (std::size_t count = 0;; ++count) {
        if (count == kMaxOptions) {
            throw ProtocolError("PRELOGIN option table has no terminator");
        }
        const std::uint8_t option = table.u8();
        if (option == kTerminator) {
            break;
        }
        const std::size_t offset = table.u16be();
        const std::size_t length = table.u16be();
        if (offset > payload.size() || length > payload.size() - offset) {
            throw ProtocolError("PRELOGIN option " + std::to_string(option) + " points outside the message");
        }
        const auto value = payload.subspan(offset, length);
        if (option == kOptionEncryption && length >= 1) {
            request.encryption = value[0];
        } else if (option == kOptionInstance) {
            for (const std::uint8_t c : value) {
                if (c == 0) {
                    break;
                }
                request.instance.push_back(static_cast<char>(c));
            }
        } else if (option == kOptionMars && length >= 1) {
            request.mars = value[0] != 0;
        }
    }
    return request;
}

bool client_requires_encryption(const PreloginRequest& request)
{
    return request.encryption == encryption::kOn || request.encryption == encryption::kRequired;
}

std::vector<std::uint8_t> build_prelogin_response()
{
    struct Option {
        std::uint8_t id;
        std::vector<std::uint8_t> value;
    };
    const auto& product = kProductVersion;
    const std::array<Option, 5> options{{
        {kOptionVersion, {product[0], product[1], product[2], product[3], 0, 0}},
        {kOptionEncryption, {encryption::kNotSupported}},
        {kOptionInstance, {0}},
        {kOptionThreadId, {}},
        {kOptionMars, {0}},
    }};
    ByteWriter out;
    std::size_t offset = options.size() * 5 + 1;
    for (const auto& option : options) {
        out.u8(option.id);
        out.u16be(static_cast<std::uint16_t>(offset));
        out.u16be(static_cast<std::uint16_t>(option.value.size()));
        offset += option.value.size();
    }
    out.u8(kTerminator);
    for (const auto& option : options) {
        out.bytes(option.value);
    }
    return out.take();
}

}  // namespace dw::tds
