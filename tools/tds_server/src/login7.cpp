#include "login7.h"

#include "byte_reader.h"
#include "protocol_error.h"
#include "text.h"

namespace dw::tds {
namespace {

// Fixed part up to and including ibAtchDBFile/cchAtchDBFile; every 7.x client sends at least this.
constexpr std::size_t kFixedPartSize = 86;
constexpr std::uint8_t kIntegratedSecurity = 0x80;  // OptionFlags2
constexpr std::uint8_t kExtension = 0x10;           // OptionFlags3

struct Field {
    std::size_t offset;
    std::size_t units;
};

Field read_field(ByteReader& reader)
{
    const std::size_t offset = reader.u16le();
    const std::size_t units = reader.u16le();
    return {offset, units};
}

std::span<const std::uint8_t> field_bytes(std::span<const std::uint8_t> payload, Field field, const char* name)
{
    const std::size_t size = field.units * 2;
    if (field.units == 0) {
        return {};
    }
    if (field.offset > payload.size() || size > payload.size() - field.offset) {
        throw ProtocolError(std::string("LOGIN7 field ") + name + " points outside the message");
    }
    return payload.subspan(field.offset, size);
}

std::string field_text(std::span<const std::uint8_t> payload, Field field, const char* name)
{
    const auto bytes = field_bytes(payload, field, name);
    ByteReader reader(bytes);
    return utf16_to_utf8(reader.ucs2(field.units));
}

}  // namespace

std::u16string unscramble_password(std::span<const std::uint8_t> bytes)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint8_t pair[2];
        for (std::size_t k = 0; k < 2; ++k) {
            const auto x = static_cast<std::uint8_t>(bytes[i + k] ^ 0xA5);
            pair[k] = static_cast<std::uint8_t>((x << 4) | (x >> 4));
        }
        text.push_back(static_cast<char16_t>(pair[0] | (pair[1] << 8)));
    }
    return text;
}

Login7 parse_login7(std::span<const std::uint8_t> payload)
{
    if (payload.size() < kFixedPartSize) {
        throw ProtocolError("LOGIN7 message of " + std::to_string(payload.size()) + " bytes is too short");
    }
    ByteReader reader(payload);
    Login7 login;
    const std::uint32_t declared_length = reader.u32le();
    if (declared_length < kFixedPartSize || declared_length > payload.size()) {
        throw ProtocolError("LOGIN7 length field " + std::to_string(declared_length) +
                            " disagrees with the message size " + std::to_string(payload.size()));
    }
    const auto message = payload.first(declared_length);
    login.tds_version = reader.u32le();
    login.packet_size = reader.u32le();
    reader.skip(4);  // ClientProgVer
    login.client_pid = reader.u32le();
    reader.skip(4);  // ConnectionID
    reader.skip(1);  // OptionFlags1
    const std::uint8_t flags2 = reader.u8();
    reader.skip(1);  // TypeFlags
    const std::uint8_t flags3 = reader.u8();
    reader.skip(8);  // ClientTimeZone, ClientLCID
    const Field host = read_field(reader);
    const Field user = read_field(reader);
    const Field password = read_field(reader);
    const Field app = read_field(reader);
    const Field server = read_field(reader);
    read_field(reader);  // ibExtension / cbExtension
    const Field library = read_field(reader);
    const Field language = read_field(reader);
    const Field database = read_field(reader);

    login.host = field_text(message, host, "HostName");
    login.user = field_text(message, user, "UserName");
    login.password = utf16_to_utf8(unscramble_password(field_bytes(message, password, "Password")));
    login.app = field_text(message, app, "AppName");
    login.server = field_text(message, server, "ServerName");
    login.library = field_text(message, library, "CltIntName");
    login.language = field_text(message, language, "Language");
    login.database = field_text(message, database, "Database");
    login.integrated_security = (flags2 & kIntegratedSecurity) != 0;
    login.feature_ext = (flags3 & kExtension) != 0;
    return login;
}

}  // namespace dw::tds
