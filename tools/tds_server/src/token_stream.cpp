#include "token_stream.h"

#include <string>

#include "server_identity.h"
#include "text.h"

namespace dw::tds {
namespace {

constexpr std::uint8_t kTokenError = 0xAA;
constexpr std::uint8_t kTokenInfo = 0xAB;
constexpr std::uint8_t kTokenEnvChange = 0xE3;
constexpr std::uint8_t kTokenLoginAck = 0xAD;
constexpr std::uint8_t kTokenFeatureExtAck = 0xAE;
constexpr std::uint8_t kTokenColMetadata = 0x81;
constexpr std::uint8_t kTokenRow = 0xD1;
constexpr std::uint8_t kTokenReturnStatus = 0x79;
constexpr std::uint8_t kTokenReturnValue = 0xAC;

constexpr std::uint8_t kEnvDatabase = 1;
constexpr std::uint8_t kEnvLanguage = 2;
constexpr std::uint8_t kEnvPacketSize = 4;
constexpr std::uint8_t kEnvCollation = 7;
constexpr std::uint8_t kEnvResetAck = 18;

constexpr std::uint8_t kTypeIntN = 0x26;
constexpr std::uint8_t kTypeNVarChar = 0xE7;
constexpr std::uint16_t kFlagNullable = 0x0001;
// Result text columns are declared nvarchar(260): room for any file name the server makes.
constexpr std::uint16_t kNVarCharColumnBytes = 520;
// Keeps every message token well inside its 16-bit length, whatever text a client made us quote.
constexpr std::size_t kMaxMessageUnits = 4000;

// Starts a token with a 16-bit length and returns where to patch the length in.
std::size_t begin_sized(ByteWriter& out, std::uint8_t token)
{
    out.u8(token);
    const std::size_t at = out.size();
    out.u16le(0);
    return at;
}

void end_sized(ByteWriter& out, std::size_t at)
{
    out.patch_u16le(at, static_cast<std::uint16_t>(out.size() - at - 2));
}

}  // namespace

void TokenStream::message(const ServerMessage& msg)
{
    const bool error = msg.severity > 10;
    has_error_ = has_error_ || error;
    const std::size_t at = begin_sized(out_, error ? kTokenError : kTokenInfo);
    out_.i32le(msg.number);
    out_.u8(msg.state);
    out_.u8(msg.severity);
    std::u16string text = utf8_to_utf16(msg.text);
    if (text.size() > kMaxMessageUnits) {
        text.resize(kMaxMessageUnits);
    }
    out_.us_varchar(text);
    out_.b_varchar(utf8_to_utf16(kServerName));
    out_.b_varchar(utf8_to_utf16(msg.procedure));
    if (version_.has_wide_fields()) {
        out_.i32le(msg.line);
    } else {
        out_.u16le(static_cast<std::uint16_t>(msg.line));
    }
    end_sized(out_, at);
}

void TokenStream::env_database(const std::string& now, const std::string& before)
{
    const std::size_t at = begin_sized(out_, kTokenEnvChange);
    out_.u8(kEnvDatabase);
    out_.b_varchar(utf8_to_utf16(now));
    out_.b_varchar(utf8_to_utf16(before));
    end_sized(out_, at);
}

void TokenStream::env_language(const std::string& now, const std::string& before)
{
    const std::size_t at = begin_sized(out_, kTokenEnvChange);
    out_.u8(kEnvLanguage);
    out_.b_varchar(utf8_to_utf16(now));
    out_.b_varchar(utf8_to_utf16(before));
    end_sized(out_, at);
}

void TokenStream::env_packet_size(std::size_t now, std::size_t before)
{
    const std::size_t at = begin_sized(out_, kTokenEnvChange);
    out_.u8(kEnvPacketSize);
    out_.b_varchar(utf8_to_utf16(std::to_string(now)));
    out_.b_varchar(utf8_to_utf16(std::to_string(before)));
    end_sized(out_, at);
}

void TokenStream::env_collation()
{
    const std::size_t at = begin_sized(out_, kTokenEnvChange);
    out_.u8(kEnvCollation);
    out_.u8(static_cast<std::uint8_t>(kCollation.size()));
    out_.bytes(kCollation);
    out_.u8(0);
    end_sized(out_, at);
}

void TokenStream::env_reset_connection()
{
    const std::size_t at = begin_sized(out_, kTokenEnvChange);
    out_.u8(kEnvResetAck);
    out_.u8(0);
    out_.u8(0);
    end_sized(out_, at);
}

void TokenStream::login_ack()
{
    const std::size_t at = begin_sized(out_, kTokenLoginAck);
    out_.u8(1);  // SQL_TSQL
    out_.u32be(version_.loginack_value());
    out_.b_varchar(utf8_to_utf16(kProgramName));
    out_.bytes(kProductVersion);
    end_sized(out_, at);
}

void TokenStream::feature_ext_ack_none()
{
    out_.u8(kTokenFeatureExtAck);
    out_.u8(0xFF);
}

void TokenStream::user_type()
{
    if (version_.has_wide_fields()) {
        out_.u32le(0);
    } else {
        out_.u16le(0);
    }
}

void TokenStream::nvarchar_type(std::uint16_t max_bytes)
{
    out_.u8(kTypeNVarChar);
    out_.u16le(max_bytes);
    if (version_.has_collations()) {
        out_.bytes(kCollation);
    }
}

void TokenStream::columns(const std::vector<Column>& cols)
{
    out_.u8(kTokenColMetadata);
    out_.u16le(static_cast<std::uint16_t>(cols.size()));
    for (const auto& col : cols) {
        user_type();
        out_.u16le(kFlagNullable);
        if (col.kind == ColumnKind::Int) {
            out_.u8(kTypeIntN);
            out_.u8(4);
        } else {
            nvarchar_type(kNVarCharColumnBytes);
        }
        out_.b_varchar(utf8_to_utf16(col.name));
    }
}

void TokenStream::row(const std::vector<Column>& cols, const std::vector<Cell>& cells)
{
    out_.u8(kTokenRow);
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const Cell cell = i < cells.size() ? cells[i] : Cell{};
        if (cols[i].kind == ColumnKind::Int) {
            if (const auto* number = std::get_if<std::int32_t>(&cell)) {
                out_.u8(4);
                out_.i32le(*number);
            } else {
                out_.u8(0);
            }
            continue;
        }
        if (std::holds_alternative<std::monostate>(cell)) {
            out_.u16le(0xFFFF);
            continue;
        }
        const std::string text =
            std::holds_alternative<std::int32_t>(cell) ? std::to_string(std::get<std::int32_t>(cell))
                                                       : std::get<std::string>(cell);
        std::u16string wide = utf8_to_utf16(text);
        if (wide.size() * 2 > kNVarCharColumnBytes) {
            wide.resize(kNVarCharColumnBytes / 2);
        }
        out_.u16le(static_cast<std::uint16_t>(wide.size() * 2));
        out_.ucs2(wide);
    }
}

void TokenStream::result_set(const ResultSet& result)
{
    columns(result.columns);
    for (const auto& cells : result.rows) {
        row(result.columns, cells);
    }
}

void TokenStream::return_status(std::int32_t status)
{
    out_.u8(kTokenReturnStatus);
    out_.i32le(status);
}

void TokenStream::return_value_int(std::uint16_t ordinal, const std::string& name, std::optional<std::int32_t> value)
{
    out_.u8(kTokenReturnValue);
    out_.u16le(ordinal);
    out_.b_varchar(utf8_to_utf16(name));
    out_.u8(0x01);  // output parameter
    user_type();
    out_.u16le(kFlagNullable);
    out_.u8(kTypeIntN);
    out_.u8(4);
    if (value) {
        out_.u8(4);
        out_.i32le(*value);
    } else {
        out_.u8(0);
    }
}

void TokenStream::done(DoneKind kind, std::uint16_t status, std::uint16_t command, std::uint64_t row_count)
{
    out_.u8(static_cast<std::uint8_t>(kind));
    out_.u16le(status);
    out_.u16le(command);
    if (version_.has_wide_fields()) {
        out_.u64le(row_count);
    } else {
        out_.u32le(static_cast<std::uint32_t>(row_count));
    }
}

}  // namespace dw::tds
