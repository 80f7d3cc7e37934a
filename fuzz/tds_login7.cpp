// The stand-in server's LOGIN7 reader: any bytes give a login or a ProtocolError; a login written
// by a client's rules reads back with every name, the password unscrambled, and its flags.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "login7.h"
#include "protocol_error.h"
#include "support/fuzz_check.h"
#include "support/tds_input.h"
#include "text.h"

namespace {

using namespace dw::tds;
using fuzz::Require;

constexpr std::size_t kFixedPart = 86;  // the fixed part of TDS 7.0/7.1, up to AtchDBFile
constexpr std::size_t kFields = 9;      // host, user, password, app, server, extension, library, language, database

std::vector<std::uint8_t> Scrambled(std::u16string_view password) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t c : password) {
    for (const auto b : {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)}) {
      bytes.push_back(static_cast<std::uint8_t>(((b << 4) | (b >> 4)) ^ 0xA5));
    }
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::array<std::u16string, kFields> texts;
  for (std::size_t i = 0; i < kFields; ++i) {
    texts[i] = i == 5 ? std::u16string() : fuzz::Utf16Text(input, 40);
  }
  const auto version = input.ConsumeIntegral<std::uint32_t>();
  const auto packetSize = input.ConsumeIntegral<std::uint32_t>();
  const auto pid = input.ConsumeIntegral<std::uint32_t>();
  const bool sspi = input.ConsumeBool();
  const bool extension = input.ConsumeBool();

  Require(unscramble_password(Scrambled(texts[2])) == texts[2], "unscrambling undoes a client's scrambling");

  ByteWriter out;
  std::vector<std::uint8_t> variable;
  out.u32le(0);  // length, patched below
  out.u32le(version);
  out.u32le(packetSize);
  out.u32le(7);
  out.u32le(pid);
  out.u32le(0);
  out.u8(0xE0);
  out.u8(sspi ? 0x83 : 0x03);
  out.u8(0);
  out.u8(extension ? 0x10 : 0);
  out.u32le(0);
  out.u32le(0x409);
  for (std::size_t i = 0; i < kFields; ++i) {
    const auto bytes = i == 2 ? Scrambled(texts[i]) : [&] {
      ByteWriter text;
      text.ucs2(texts[i]);
      return text.take();
    }();
    out.u16le(static_cast<std::uint16_t>(kFixedPart + variable.size()));
    out.u16le(static_cast<std::uint16_t>(texts[i].size()));
    variable.insert(variable.end(), bytes.begin(), bytes.end());
  }
  for (int i = 0; i < 6; ++i) {
    out.u8(0);  // ClientID
  }
  out.u16le(0);  // SSPI
  out.u16le(0);
  out.u16le(0);  // AtchDBFile
  out.u16le(0);
  out.bytes(variable);
  auto message = out.take();
  const auto length = static_cast<std::uint32_t>(message.size());
  for (int i = 0; i < 4; ++i) {
    message[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
  }

  const Login7 login = parse_login7(message);
  Require(login.tds_version == version && login.packet_size == packetSize && login.client_pid == pid,
          "a client's LOGIN7 numbers read back the same");
  Require(login.host == utf16_to_utf8(texts[0]) && login.user == utf16_to_utf8(texts[1]) &&
              login.password == utf16_to_utf8(texts[2]) && login.app == utf16_to_utf8(texts[3]) &&
              login.server == utf16_to_utf8(texts[4]) && login.library == utf16_to_utf8(texts[6]) &&
              login.language == utf16_to_utf8(texts[7]) && login.database == utf16_to_utf8(texts[8]),
          "a client's LOGIN7 names read back the same");
  Require(login.integrated_security == sspi && login.feature_ext == extension, "a client's LOGIN7 flags read back");

  const auto raw = input.ConsumeRemainingBytes<std::uint8_t>();
  try {
    const Login7 any = parse_login7(raw);
    Require(any.user.size() <= raw.size() * 3 / 2 && any.password.size() <= raw.size() * 3 / 2,
            "names come from inside the message");
  } catch (const ProtocolError&) {
  }
  return 0;
}
