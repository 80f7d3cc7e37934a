// The stand-in server's PRELOGIN reader: any bytes give a request or a ProtocolError; a request
// written by a client's rules reads back with its encryption, instance and MARS; the server's own
// answer reads as "encryption not supported".
#include <cstdint>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "prelogin.h"
#include "protocol_error.h"
#include "support/fuzz_check.h"
#include "support/tds_input.h"

namespace {

using namespace dw::tds;
using fuzz::Require;

struct Option {
  std::uint8_t id;
  std::vector<std::uint8_t> value;
};

std::vector<std::uint8_t> Write(const std::vector<Option>& options) {
  ByteWriter out;
  std::size_t offset = options.size() * 5 + 1;
  for (const auto& option : options) {
    out.u8(option.id);
    out.u16be(static_cast<std::uint16_t>(offset));
    out.u16be(static_cast<std::uint16_t>(option.value.size()));
    offset += option.value.size();
  }
  out.u8(0xFF);
  for (const auto& option : options) {
    out.bytes(option.value);
  }
  return out.take();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto encryption = input.ConsumeIntegral<std::uint8_t>();
  const bool mars = input.ConsumeBool();
  std::string instance = input.ConsumeRandomLengthString(64);
  instance = instance.substr(0, instance.find('\0'));
  std::vector<std::uint8_t> instanceBytes(instance.begin(), instance.end());
  instanceBytes.push_back(0);
  const std::vector<Option> options = {{0x00, {15, 0, 0x07, 0xD0, 0, 0}},
                                       {0x01, {encryption}},
                                       {0x02, instanceBytes},
                                       {0x03, fuzz::Bytes(input, 4)},
                                       {0x04, {static_cast<std::uint8_t>(mars ? 1 : 0)}}};
  const PreloginRequest request = parse_prelogin(Write(options));
  Require(request.encryption == encryption && request.instance == instance && request.mars == mars,
          "a client's PRELOGIN reads back the same");
  Require(client_requires_encryption(request) == (encryption == 0x01 || encryption == 0x03),
          "only ENCRYPT_ON and ENCRYPT_REQ demand encryption");

  const PreloginRequest answer = parse_prelogin(build_prelogin_response());
  Require(answer.encryption == encryption::kNotSupported && !answer.mars && answer.instance.empty(),
          "the server's answer reads as encryption not supported");

  const auto raw = input.ConsumeRemainingBytes<std::uint8_t>();
  try {
    const PreloginRequest any = parse_prelogin(raw);
    Require(any.instance.find('\0') == std::string::npos && any.instance.size() <= raw.size(),
            "an instance name ends at its NUL and lies inside the message");
  } catch (const ProtocolError&) {
  }
  return 0;
}
