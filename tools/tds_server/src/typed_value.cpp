#include "typed_value.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "protocol_error.h"
#include "text.h"

namespace dw::tds {
namespace {

// Type codes of TYPE_INFO.
constexpr std::uint8_t kNull = 0x1F;
constexpr std::uint8_t kInt1 = 0x30;
constexpr std::uint8_t kBit = 0x32;
constexpr std::uint8_t kInt2 = 0x34;
constexpr std::uint8_t kInt4 = 0x38;
constexpr std::uint8_t kDateTim4 = 0x3A;
constexpr std::uint8_t kFlt4 = 0x3B;
constexpr std::uint8_t kMoney = 0x3C;
constexpr std::uint8_t kDateTime = 0x3D;
constexpr std::uint8_t kFlt8 = 0x3E;
constexpr std::uint8_t kMoney4 = 0x7A;
constexpr std::uint8_t kInt8 = 0x7F;
constexpr std::uint8_t kGuid = 0x24;
constexpr std::uint8_t kIntN = 0x26;
constexpr std::uint8_t kBitN = 0x68;
constexpr std::uint8_t kDecimalN = 0x6A;
constexpr std::uint8_t kNumericN = 0x6C;
constexpr std::uint8_t kFltN = 0x6D;
constexpr std::uint8_t kMoneyN = 0x6E;
constexpr std::uint8_t kDateTimN = 0x6F;
constexpr std::uint8_t kLegacyVarBinary = 0x25;
constexpr std::uint8_t kLegacyVarChar = 0x27;
constexpr std::uint8_t kLegacyBinary = 0x2D;
constexpr std::uint8_t kLegacyChar = 0x2F;
constexpr std::uint8_t kDateN = 0x28;
constexpr std::uint8_t kTimeN = 0x29;
constexpr std::uint8_t kDateTime2N = 0x2A;
constexpr std::uint8_t kDateTimeOffsetN = 0x2B;
constexpr std::uint8_t kBigVarBinary = 0xA5;
constexpr std::uint8_t kBigVarChar = 0xA7;
constexpr std::uint8_t kBigBinary = 0xAD;
constexpr std::uint8_t kBigChar = 0xAF;
constexpr std::uint8_t kNVarChar = 0xE7;
constexpr std::uint8_t kNChar = 0xEF;
constexpr std::uint8_t kImage = 0x22;
constexpr std::uint8_t kText = 0x23;
constexpr std::uint8_t kNText = 0x63;
constexpr std::uint8_t kVariant = 0x62;

constexpr std::uint64_t kPlpNull = 0xFFFFFFFFFFFFFFFFull;

enum class Encoding { None, Integer, Bit, Latin1, Ucs2 };

std::int64_t little_endian_signed(std::span<const std::uint8_t> bytes)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        value |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    }
    // One byte is tinyint, unsigned; wider integers are signed.
    if (bytes.size() < 8 && bytes.size() > 1 && (bytes.back() & 0x80) != 0) {
        value |= ~0ull << (8 * bytes.size());
    }
    return static_cast<std::int64_t>(value);
}

ParamValue decode(std::span<const std::uint8_t> bytes, Encoding encoding)
{
    ParamValue value;
    value.is_null = false;
    switch (encoding) {
    case Encoding::Integer:
        if (bytes.size() == 1 || bytes.size() == 2 || bytes.size() == 4 || bytes.size() == 8) {
            value.integer = little_endian_signed(bytes);
            value.text = std::to_string(*value.integer);
        }
        break;
    case Encoding::Bit:
        if (bytes.size() == 1) {
            value.integer = bytes[0] != 0 ? 1 : 0;
            value.text = std::to_string(*value.integer);
        }
        break;
    case Encoding::Latin1:
        value.text = latin1_to_utf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        break;
    case Encoding::Ucs2: {
        ByteReader text(bytes);
        value.text = utf16_to_utf8(text.ucs2(bytes.size() / 2));
        break;
    }
    case Encoding::None:
        break;
    }
    return value;
}

ParamValue read_plp(ByteReader& reader, Encoding encoding)
{
    const std::uint64_t total = reader.u64le();
    if (total == kPlpNull) {
        return {};
    }
    std::vector<std::uint8_t> data;
    for (;;) {
        const std::uint32_t chunk = reader.u32le();
        if (chunk == 0) {
            break;
        }
        const auto part = reader.bytes(chunk);
        data.insert(data.end(), part.begin(), part.end());
    }
    return decode(data, encoding);
}

ParamValue read_fixed(ByteReader& reader, std::size_t size, Encoding encoding)
{
    return decode(reader.bytes(size), encoding);
}

// Types whose value starts with a one-byte length, 0 meaning NULL.
ParamValue read_byte_length(ByteReader& reader, Encoding encoding)
{
    const std::size_t length = reader.u8();
    if (length == 0) {
        return {};
    }
    return decode(reader.bytes(length), encoding);
}

}  // namespace

std::string UnsupportedType::hex(std::uint8_t value)
{
    char buffer[3];
    std::snprintf(buffer, sizeof buffer, "%02X", value);
    return buffer;
}

TypedValue read_type_and_value(ByteReader& reader, const TdsVersion& version)
{
    TypedValue result;
    const std::uint8_t type = reader.u8();
    result.type = type;
    const auto skip_collation = [&] {
        if (version.has_collations()) {
            reader.skip(5);
        }
    };
    switch (type) {
    case kNull:
        return result;
    case kInt1:
        result.value = read_fixed(reader, 1, Encoding::Integer);  // tinyint: unsigned
        return result;
    case kBit:
        result.value = read_fixed(reader, 1, Encoding::Bit);
        return result;
    case kInt2:
        result.value = read_fixed(reader, 2, Encoding::Integer);
        return result;
    case kInt4:
        result.value = read_fixed(reader, 4, Encoding::Integer);
        return result;
    case kInt8:
        result.value = read_fixed(reader, 8, Encoding::Integer);
        return result;
    case kDateTim4:
    case kFlt4:
    case kMoney4:
        result.value = read_fixed(reader, 4, Encoding::None);
        return result;
    case kMoney:
    case kDateTime:
    case kFlt8:
        result.value = read_fixed(reader, 8, Encoding::None);
        return result;
    case kIntN:
        reader.u8();
        result.value = read_byte_length(reader, Encoding::Integer);
        return result;
    case kBitN:
        reader.u8();
        result.value = read_byte_length(reader, Encoding::Bit);
        return result;
    case kGuid:
    case kFltN:
    case kMoneyN:
    case kDateTimN:
    case kLegacyBinary:
    case kLegacyVarBinary:
        reader.u8();
        result.value = read_byte_length(reader, Encoding::None);
        return result;
    case kLegacyChar:
    case kLegacyVarChar:
        reader.u8();
        result.value = read_byte_length(reader, Encoding::Latin1);
        return result;
    case kDecimalN:
    case kNumericN:
        reader.skip(3);  // length, precision, scale
        result.value = read_byte_length(reader, Encoding::None);
        return result;
    case kDateN:
        result.value = read_byte_length(reader, Encoding::None);
        return result;
    case kTimeN:
    case kDateTime2N:
    case kDateTimeOffsetN:
        reader.u8();  // scale
        result.value = read_byte_length(reader, Encoding::None);
        return result;
    case kBigVarBinary:
    case kBigBinary:
    case kBigVarChar:
    case kBigChar:
    case kNVarChar:
    case kNChar: {
        const bool is_text = type == kBigVarChar || type == kBigChar || type == kNVarChar || type == kNChar;
        const Encoding encoding = (type == kNVarChar || type == kNChar) ? Encoding::Ucs2
                                  : is_text                             ? Encoding::Latin1
                                                                        : Encoding::None;
        const std::uint16_t max_length = reader.u16le();
        if (is_text) {
            skip_collation();
        }
        if (max_length == 0xFFFF && version.has_all_headers()) {
            result.value = read_plp(reader, encoding);
            return result;
        }
        const std::uint16_t length = reader.u16le();
        if (length == 0xFFFF) {
            return result;
        }
        result.value = decode(reader.bytes(length), encoding);
        return result;
    }
    case kImage:
    case kText:
    case kNText: {
        reader.u32le();  // maximum length
        if (type != kImage) {
            skip_collation();
        }
        const std::uint32_t length = reader.u32le();
        if (length == 0xFFFFFFFFu) {
            return result;
        }
        const Encoding encoding = type == kNText ? Encoding::Ucs2 : type == kText ? Encoding::Latin1 : Encoding::None;
        result.value = decode(reader.bytes(length), encoding);
        return result;
    }
    case kVariant: {
        reader.u32le();
        const std::uint32_t length = reader.u32le();
        if (length != 0) {
            reader.skip(length);
            result.value.is_null = false;
        }
        return result;
    }
    default:
        throw UnsupportedType(type);
    }
}

}  // namespace dw::tds
