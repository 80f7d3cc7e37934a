#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace dw::tds {

// Bounds-checked reading of the little- and big-endian fields of TDS. Every read past the end throws
// ProtocolError, so a short or lying message can never make the server read outside its buffer.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::uint8_t u8();
    std::uint16_t u16le();
    std::uint16_t u16be();
    std::uint32_t u32le();
    std::uint32_t u32be();
    std::uint64_t u64le();
    std::span<const std::uint8_t> bytes(std::size_t count);
    void skip(std::size_t count);

    // UCS-2 little-endian text of the given number of 16-bit units.
    std::u16string ucs2(std::size_t units);
    // Text preceded by its length in units: one byte (B_VARCHAR) or two (US_VARCHAR).
    std::u16string b_varchar();
    std::u16string us_varchar();

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool at_end() const { return pos_ == data_.size(); }

private:
    void need(std::size_t count) const;

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

}  // namespace dw::tds
