#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace dw::tds {

// How the stand-in names itself to clients. The product version is that of a SQL Server 2019 build
// so that clients enable nothing beyond what 7.4 offers.
constexpr std::string_view kServerName = "dw_tds_server";
constexpr std::string_view kProgramName = "Microsoft SQL Server";
constexpr std::array<std::uint8_t, 4> kProductVersion{15, 0, 0x07, 0xD0};  // 15.0.2000
constexpr std::string_view kVersionText =
    "dw_tds_server - a stand-in for Microsoft SQL Server, for development and tests only "
    "(speaks TDS 7.0-7.4; knows the stored procedure CreateBakFile)";

}  // namespace dw::tds
