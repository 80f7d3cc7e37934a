#include "rpc_request.h"

#include "all_headers.h"
#include "byte_reader.h"
#include "protocol_error.h"
#include "text.h"

namespace dw::tds {
namespace {

constexpr std::uint8_t kByRefValue = 0x01;
constexpr std::uint8_t kDefaultValue = 0x02;
// Separators between calls batched in one message: 0x80 from 7.2 on, 0xFF before; 0xFE is the
// no-exec flag, which this server treats like a separator.
constexpr std::uint8_t kBatchFlag72 = 0x80;
constexpr std::uint8_t kBatchFlag71 = 0xFF;
constexpr std::uint8_t kNoExecFlag = 0xFE;
constexpr std::size_t kMaxCalls = 256;
constexpr std::size_t kMaxParams = 2100;  // SQL Server's own limit

bool is_separator(std::uint8_t byte)
{
    return byte == kBatchFlag72 || byte == kBatchFlag71 || byte == kNoExecFlag;
}

RpcCall read_call(ByteReader& reader, const TdsVersion& version)
{
    RpcCall call;
    const std::uint16_t name_length = reader.u16le();
    if (name_length == 0xFFFF) {
        call.proc_id = reader.u16le();
    } else {
        call.name = utf16_to_utf8(reader.ucs2(name_length));
    }
    reader.u16le();  // OptionFlags: recompile / metadata hints, nothing to do here
    while (!reader.at_end()) {
        ByteReader peek = reader;
        if (is_separator(peek.u8())) {
            break;
        }
        if (call.params.size() == kMaxParams) {
            throw ProtocolError("RPC call has more than " + std::to_string(kMaxParams) + " parameters");
        }
        RpcParam param;
        param.name = utf16_to_utf8(reader.b_varchar());
        const std::uint8_t status = reader.u8();
        param.output = (status & kByRefValue) != 0;
        param.use_default = (status & kDefaultValue) != 0;
        TypedValue typed = read_type_and_value(reader, version);
        param.type = typed.type;
        param.value = std::move(typed.value);
        call.params.push_back(std::move(param));
    }
    return call;
}

}  // namespace

std::string RpcCall::procedure() const
{
    switch (proc_id) {
    case 0:
        return name;
    case proc_id::kExecuteSql:
        return "sp_executesql";
    case proc_id::kPrepare:
        return "sp_prepare";
    case proc_id::kExecute:
        return "sp_execute";
    case proc_id::kPrepExec:
        return "sp_prepexec";
    case proc_id::kUnprepare:
        return "sp_unprepare";
    default:
        return "procedure #" + std::to_string(proc_id);
    }
}

std::string describe_rpc(const std::vector<RpcCall>& calls)
{
    std::string text;
    for (const auto& call : calls) {
        text += text.empty() ? "" : "; ";
        text += call.procedure() + "(";
        for (std::size_t i = 0; i < call.params.size(); ++i) {
            const RpcParam& p = call.params[i];
            text += i == 0 ? "" : ", ";
            text += p.name.empty() ? "" : p.name + "=";
            text += p.value.is_null ? "NULL" : p.value.text ? "N'" + loggable(*p.value.text, 80) + "'" : "<value>";
        }
        text += ")";
    }
    return text;
}

std::vector<RpcCall> parse_rpc_request(std::span<const std::uint8_t> payload, const TdsVersion& version)
{
    ByteReader reader(payload);
    if (version.has_all_headers()) {
        skip_all_headers(reader);
    }
    std::vector<RpcCall> calls;
    calls.push_back(read_call(reader, version));
    while (!reader.at_end()) {
        reader.u8();  // the separator read_call stopped at
        if (reader.at_end()) {
            break;
        }
        if (calls.size() == kMaxCalls) {
            throw ProtocolError("RPC request batches more than " + std::to_string(kMaxCalls) + " calls");
        }
        calls.push_back(read_call(reader, version));
    }
    return calls;
}

}  // namespace dw::tds
