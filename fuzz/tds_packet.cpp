// The stand-in server's packet layer: a header reads as its eight bytes say and is refused exactly
// when its length is impossible; a message cut into packets and joined again is the same message,
// each packet within the size asked for; any stream of packets joins into messages within the limit.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "packet.h"
#include "protocol_error.h"
#include "support/fuzz_check.h"
#include "support/tds_input.h"

namespace {

using namespace dw::tds;
using fuzz::Require;

void CheckHeader(std::span<const std::uint8_t, kPacketHeaderSize> bytes) {
  const std::size_t length = (std::size_t{bytes[2]} << 8) | bytes[3];
  try {
    const PacketHeader header = parse_packet_header(bytes);
    Require(length >= kPacketHeaderSize && length <= kMaxPacketSize, "a header with an impossible length is refused");
    Require(header.type == bytes[0] && header.status == bytes[1] && header.length == length &&
                header.spid == ((bytes[4] << 8) | bytes[5]) && header.packet_id == bytes[6] && header.window == bytes[7],
            "a header reads as its bytes say");
    Require(header.body_size() == length - kPacketHeaderSize, "the body is the packet without its header");
  } catch (const ProtocolError&) {
    Require(length < kPacketHeaderSize || length > kMaxPacketSize, "a possible header is accepted");
  }
}

void CheckFraming(const std::vector<std::uint8_t>& payload, std::size_t packetSize, std::uint16_t spid) {
  const auto framed = frame_message(PacketType::Rpc, payload, packetSize, spid);
  const std::size_t limit = std::clamp(packetSize, kMinPacketSize, kMaxPacketSize);
  MessageAssembler assembler(payload.size());
  std::size_t pos = 0;
  std::uint8_t expectedId = 1;
  MessageAssembler::Progress progress = MessageAssembler::Progress::NeedMore;
  while (pos < framed.size()) {
    Require(framed.size() - pos >= kPacketHeaderSize, "a packet is never cut inside its header");
    const PacketHeader header = parse_packet_header(std::span<const std::uint8_t, kPacketHeaderSize>(&framed[pos], kPacketHeaderSize));
    Require(header.length <= limit && header.length <= framed.size() - pos, "a packet keeps to the size asked for");
    Require(header.spid == spid && header.packet_id == expectedId, "packets carry the session and count up");
    Require(progress == MessageAssembler::Progress::NeedMore, "only the last packet ends the message");
    progress = assembler.add(header, std::span<const std::uint8_t>(&framed[pos + kPacketHeaderSize], header.body_size()));
    pos += header.length;
    expectedId = static_cast<std::uint8_t>(expectedId + 1);
  }
  Require(progress == MessageAssembler::Progress::Complete, "the last packet ends the message");
  const Message message = assembler.take();
  Require(message.payload == payload && message.type == static_cast<std::uint8_t>(PacketType::Rpc),
          "a message framed and joined again is the same message");
}

void CheckStream(FuzzedDataProvider& input) {
  const auto limit = input.ConsumeIntegralInRange<std::size_t>(0, 70000);
  MessageAssembler assembler(limit);
  while (input.remaining_bytes() >= kPacketHeaderSize) {
    const auto raw = input.ConsumeBytes<std::uint8_t>(kPacketHeaderSize);
    PacketHeader header;
    try {
      header = parse_packet_header(std::span<const std::uint8_t, kPacketHeaderSize>(raw.data(), kPacketHeaderSize));
    } catch (const ProtocolError&) {
      continue;
    }
    const auto body = input.ConsumeBytes<std::uint8_t>(header.body_size());
    try {
      if (assembler.add(header, body) == MessageAssembler::Progress::Complete) {
        Require(assembler.take().payload.size() <= limit, "a joined message keeps to the limit");
      }
    } catch (const ProtocolError&) {
      return;  // the session would end here
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto header = input.ConsumeBytes<std::uint8_t>(kPacketHeaderSize);
  if (header.size() == kPacketHeaderSize) {
    CheckHeader(std::span<const std::uint8_t, kPacketHeaderSize>(header.data(), kPacketHeaderSize));
  }
  const auto packetSize = input.ConsumeIntegralInRange<std::size_t>(0, 40000);
  const auto spid = input.ConsumeIntegral<std::uint16_t>();
  CheckFraming(fuzz::Bytes(input, 70000), packetSize, spid);
  CheckStream(input);
  return 0;
}
