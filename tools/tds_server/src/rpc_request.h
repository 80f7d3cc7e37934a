#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tds_version.h"
#include "typed_value.h"

namespace dw::tds {

// The procedure numbers a client may send instead of a name.
namespace proc_id {
constexpr std::uint16_t kExecuteSql = 10;
constexpr std::uint16_t kPrepare = 11;
constexpr std::uint16_t kExecute = 12;
constexpr std::uint16_t kPrepExec = 13;
constexpr std::uint16_t kUnprepare = 15;
}  // namespace proc_id

struct RpcParam {
    std::string name;  // with its '@', or empty for a positional parameter
    bool output = false;
    bool use_default = false;
    std::uint8_t type = 0;
    ParamValue value;
};

struct RpcCall {
    std::string name;           // empty when the call names a procedure number
    std::uint16_t proc_id = 0;  // 0 when the call names a procedure
    std::vector<RpcParam> params;

    // The name under which the call is logged and dispatched: its own, or that of its number.
    std::string procedure() const;
};

// "sp_executesql(N'EXEC ...', N'@P1 nvarchar(50)', @P1=N'QEL')" for the request log.
std::string describe_rpc(const std::vector<RpcCall>& calls);

// Reads every call of an RPC request message. Throws ProtocolError for a malformed message and
// UnsupportedType for a parameter type it cannot read.
std::vector<RpcCall> parse_rpc_request(std::span<const std::uint8_t> payload, const TdsVersion& version);

}  // namespace dw::tds
