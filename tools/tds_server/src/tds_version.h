#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dw::tds {

// The protocol level agreed at login. The level decides a handful of wire details, so they are
// asked of this type rather than spread as version comparisons.
class TdsVersion {
public:
    // level is 0x70 .. 0x74 (7.0 .. 7.4); wire is the value named in LOGINACK.
    constexpr TdsVersion(std::uint8_t level, std::uint32_t wire) : level_(level), wire_(wire) {}

    std::uint8_t level() const { return level_; }
    std::uint32_t loginack_value() const { return wire_; }
    std::string name() const;

    bool has_collations() const { return level_ >= 0x71; }
    // 7.2 added ALL_HEADERS in requests and widened row counts, user types and line numbers.
    bool has_all_headers() const { return level_ >= 0x72; }
    bool has_wide_fields() const { return level_ >= 0x72; }
    bool has_feature_ext() const { return level_ >= 0x74; }

private:
    std::uint8_t level_;
    std::uint32_t wire_;
};

constexpr TdsVersion kTds74{0x74, 0x74000004};

// Chooses the level for the TDSVersion field of a LOGIN7 message: the client's own for 7.0 .. 7.4,
// 7.4 for a newer 7.x; nothing for versions this server cannot speak (TDS 8 needs TLS first).
std::optional<TdsVersion> negotiate_tds_version(std::uint32_t login_value);

}  // namespace dw::tds
