#include "tds_version.h"

namespace dw::tds {

std::string TdsVersion::name() const
{
    return "7." + std::to_string(level_ - 0x70);
}

std::optional<TdsVersion> negotiate_tds_version(std::uint32_t login_value)
{
    // Clients write the version as 0xLL0000RR (7.1 and later) or 0x70000000 (7.0). Some old ones
    // swap the bytes; accept both spellings.
    std::uint8_t level = static_cast<std::uint8_t>(login_value >> 24);
    if (level < 0x70 && (login_value & 0xFF) >= 0x70 && (login_value & 0xFF) <= 0x7F && (login_value >> 8) == 0) {
        level = static_cast<std::uint8_t>(login_value & 0xFF);
    }
    if (level < 0x70 || level > 0x7F) {
        return std::nullopt;
    }
    switch (level) {
    case 0x70:
        return TdsVersion{0x70, 0x07000000};
    case 0x71:
        return TdsVersion{0x71, 0x71000001};
    case 0x72:
        return TdsVersion{0x72, 0x72090002};
    case 0x73:
        // 7.3 comes as A (SQL Server 2008) or B (2008 R2); answer with the client's own.
        return TdsVersion{0x73, login_value == 0x730A0003 ? 0x730A0003u : 0x730B0003u};
    default:
        return kTds74;
    }
}

}  // namespace dw::tds
