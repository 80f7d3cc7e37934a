#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace dw::tds {

// Builds TDS payloads: fixed-width integers in either byte order and UCS-2 text.
class ByteWriter {
public:
    void u8(std::uint8_t value) { data_.push_back(value); }
    void u16le(std::uint16_t value);
    void u16be(std::uint16_t value);
    void u32le(std::uint32_t value);
    void u32be(std::uint32_t value);
    void u64le(std::uint64_t value);
    void i32le(std::int32_t value) { u32le(static_cast<std::uint32_t>(value)); }
    void bytes(std::span<const std::uint8_t> part) { data_.insert(data_.end(), part.begin(), part.end()); }

    // UCS-2 little-endian text without a length.
    void ucs2(std::u16string_view text);
    // Text preceded by its length in units; longer text is cut to what the length field can hold.
    void b_varchar(std::u16string_view text);
    void us_varchar(std::u16string_view text);

    // Overwrites a 16-bit little-endian field written earlier (token lengths known only at the end).
    void patch_u16le(std::size_t at, std::uint16_t value);

    std::size_t size() const { return data_.size(); }
    const std::vector<std::uint8_t>& data() const { return data_; }
    std::vector<std::uint8_t> take() { return std::move(data_); }

private:
    std::vector<std::uint8_t> data_;
};

}  // namespace dw::tds
