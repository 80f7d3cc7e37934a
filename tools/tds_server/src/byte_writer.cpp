#include "byte_writer.h"

#include <algorithm>

namespace dw::tds {

void ByteWriter::u16le(std::uint16_t value)
{
    data_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    data_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::u16be(std::uint16_t value)
{
    data_.push_back(static_cast<std::uint8_t>(value >> 8));
    data_.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void ByteWriter::u32le(std::uint32_t value)
{
    u16le(static_cast<std::uint16_t>(value & 0xFFFF));
    u16le(static_cast<std::uint16_t>(value >> 16));
}

void ByteWriter::u32be(std::uint32_t value)
{
    u16be(static_cast<std::uint16_t>(value >> 16));
    u16be(static_cast<std::uint16_t>(value & 0xFFFF));
}

void ByteWriter::u64le(std::uint64_t value)
{
    u32le(static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
    u32le(static_cast<std::uint32_t>(value >> 32));
}

void ByteWriter::ucs2(std::u16string_view text)
{
    for (const char16_t unit : text) {
        u16le(static_cast<std::uint16_t>(unit));
    }
}

void ByteWriter::b_varchar(std::u16string_view text)
{
    const auto units = std::min<std::size_t>(text.size(), 0xFF);
    u8(static_cast<std::uint8_t>(units));
    ucs2(text.substr(0, units));
}

void ByteWriter::us_varchar(std::u16string_view text)
{
    const auto units = std::min<std::size_t>(text.size(), 0xFFFF);
    u16le(static_cast<std::uint16_t>(units));
    ucs2(text.substr(0, units));
}

void ByteWriter::patch_u16le(std::size_t at, std::uint16_t value)
{
    data_.at(at) = static_cast<std::uint8_t>(value & 0xFF);
    data_.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace dw::tds
