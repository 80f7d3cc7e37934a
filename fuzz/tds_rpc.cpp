// The stand-in server's RPC reader and argument binding: any bytes give calls, a ProtocolError or
// UnsupportedType; a CreateBakFile call written by a client's rules (by name or through
// sp_executesql, with or without ALL_HEADERS) reads back with its procedure and every parameter;
// binding gives either the values in parameter order or one of SQL Server's errors.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "procedure_call.h"
#include "protocol_error.h"
#include "rpc_request.h"
#include "support/fuzz_check.h"
#include "support/tds_input.h"
#include "text.h"
#include "typed_value.h"

namespace {

using namespace dw::tds;
using fuzz::Require;

struct Param {
  std::u16string name;
  std::optional<std::u16string> value;  // nullopt: NULL
};

void WriteNVarChar(ByteWriter& out, const Param& param, bool collation) {
  out.b_varchar(param.name);
  out.u8(0);  // status: by value
  out.u8(0xE7);
  out.u16le(8000);
  if (collation) {
    for (const int b : {0x09, 0x04, 0xD0, 0x00, 0x34}) {
      out.u8(static_cast<std::uint8_t>(b));
    }
  }
  if (!param.value) {
    out.u16le(0xFFFF);
    return;
  }
  out.u16le(static_cast<std::uint16_t>(param.value->size() * 2));
  out.ucs2(*param.value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto level = static_cast<std::uint8_t>(input.ConsumeIntegralInRange<int>(0x70, 0x74));
  const TdsVersion version(level, 0x74000004);
  const bool byName = input.ConsumeBool();
  std::vector<Param> params;
  for (int i = input.ConsumeIntegralInRange<int>(0, 4); i > 0; --i) {
    Param param;
    param.name = input.ConsumeBool() ? u"@" + fuzz::Utf16Text(input, 20) : u"";
    if (input.ConsumeBool()) {
      param.value = fuzz::Utf16Text(input, 300);
    }
    params.push_back(std::move(param));
  }

  ByteWriter out;
  if (version.has_all_headers()) {
    out.u32le(22);  // ALL_HEADERS with the transaction descriptor header
    out.u32le(18);
    out.u16le(2);
    out.u64le(0);
    out.u32le(1);
  }
  if (byName) {
    out.us_varchar(u"CreateBakFile");
  } else {
    out.u16le(0xFFFF);
    out.u16le(proc_id::kExecuteSql);
  }
  out.u16le(0);
  for (const Param& param : params) {
    WriteNVarChar(out, param, version.has_collations());
  }
  const auto calls = parse_rpc_request(out.take(), version);
  Require(calls.size() == 1, "one call reads as one call");
  Require(calls[0].procedure() == (byName ? "CreateBakFile" : "sp_executesql"), "the call names its procedure");
  Require(calls[0].params.size() == params.size(), "every parameter is read");
  std::vector<Argument> args;
  for (std::size_t i = 0; i < params.size(); ++i) {
    const RpcParam& read = calls[0].params[i];
    Require(read.name == utf16_to_utf8(params[i].name) && read.type == 0xE7 && !read.output && !read.use_default,
            "a parameter reads back with its name and type");
    Require(read.value.is_null == !params[i].value, "NULL reads as NULL");
    if (params[i].value) {
      Require(read.value.text == utf16_to_utf8(*params[i].value), "a parameter's text reads back the same");
    }
    args.push_back(Argument{read.name, read.value, false});
  }

  const std::vector<std::string> parameters = {"@DB", "@ToDir"};
  const auto bound = bind_arguments("CreateBakFile", parameters, args);
  if (const auto* values = std::get_if<std::vector<ParamValue>>(&bound)) {
    Require(values->size() == parameters.size(), "binding gives one value per parameter");
    Require(args.size() <= parameters.size(), "binding never takes more arguments than parameters");
  } else {
    const auto number = std::get<ServerMessage>(bound).number;
    Require(number == 119 || number == 201 || number == 8143 || number == 8144 || number == 8145,
            "a binding that fails gives one of SQL Server's errors");
  }

  const auto raw = input.ConsumeRemainingBytes<std::uint8_t>();
  try {
    const auto any = parse_rpc_request(raw, version);
    Require(!any.empty() && any.size() <= 256, "a request holds between one and 256 calls");
    std::size_t total = 0;
    for (const auto& call : any) {
      total += call.params.size();
    }
    Require(total <= raw.size(), "every parameter takes bytes of the message");
    (void)describe_rpc(any);
  } catch (const ProtocolError&) {
  } catch (const UnsupportedType&) {
  }
  return 0;
}
