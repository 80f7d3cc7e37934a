#include "byte_reader.h"

#include "protocol_error.h"

namespace dw::tds {

void ByteReader::need(std::size_t count) const
{
    if (count > remaining()) {
        throw ProtocolError("message ends early: " + std::to_string(count) + " bytes wanted at offset " +
                            std::to_string(pos_) + ", " + std::to_string(remaining()) + " left");
    }
}

std::uint8_t ByteReader::u8()
{
    need(1);
    return data_[pos_++];
}

std::uint16_t ByteReader::u16le()
{
    need(2);
    const auto value = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return value;
}

std::uint16_t ByteReader::u16be()
{
    need(2);
    const auto value = static_cast<std::uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
    pos_ += 2;
    return value;
}

std::uint32_t ByteReader::u32le()
{
    const std::uint32_t low = u16le();
    const std::uint32_t high = u16le();
    return low | (high << 16);
}

std::uint32_t ByteReader::u32be()
{
    const std::uint32_t high = u16be();
    const std::uint32_t low = u16be();
    return (high << 16) | low;
}

std::uint64_t ByteReader::u64le()
{
    const std::uint64_t low = u32le();
    const std::uint64_t high = u32le();
    return low | (high << 32);
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t count)
{
    need(count);
    const auto part = data_.subspan(pos_, count);
    pos_ += count;
    return part;
}

void ByteReader::skip(std::size_t count)
{
    need(count);
    pos_ += count;
}

std::u16string ByteReader::ucs2(std::size_t units)
{
    if (units > remaining() / 2) {
        need(units * 2);
    }
    std::u16string text;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        text.push_back(static_cast<char16_t>(u16le()));
    }
    return text;
}

std::u16string ByteReader::b_varchar()
{
    return ucs2(u8());
}

std::u16string ByteReader::us_varchar()
{
    return ucs2(u16le());
}

}  // namespace dw::tds
