#include "packet.h"

#include <algorithm>
#include <string>

#include "protocol_error.h"

namespace dw::tds {

PacketHeader parse_packet_header(std::span<const std::uint8_t, kPacketHeaderSize> bytes)
{
    PacketHeader header;
    header.type = bytes[0];
    header.status = bytes[1];
    header.length = static_cast<std::uint16_t>((bytes[2] << 8) | bytes[3]);
    header.spid = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    header.packet_id = bytes[6];
    header.window = bytes[7];
    if (header.length < kPacketHeaderSize) {
        throw ProtocolError("packet length " + std::to_string(header.length) + " is shorter than its header");
    }
    if (header.length > kMaxPacketSize) {
        throw ProtocolError("packet length " + std::to_string(header.length) + " exceeds " +
                            std::to_string(kMaxPacketSize));
    }
    return header;
}

MessageAssembler::Progress MessageAssembler::add(const PacketHeader& header, std::span<const std::uint8_t> body)
{
    if (!started_) {
        started_ = true;
        message_ = Message{};
        message_.type = header.type;
        message_.reset_connection =
            (header.status & (packet_status::kResetConnection | packet_status::kResetConnectionSkipTran)) != 0;
    } else if (header.type != message_.type) {
        throw ProtocolError("packet type changed from " + std::to_string(message_.type) + " to " +
                            std::to_string(header.type) + " inside one message");
    }
    if (message_.payload.size() + body.size() > max_message_size_) {
        throw ProtocolError("message exceeds " + std::to_string(max_message_size_) + " bytes");
    }
    message_.payload.insert(message_.payload.end(), body.begin(), body.end());
    if ((header.status & packet_status::kEndOfMessage) == 0) {
        return Progress::NeedMore;
    }
    started_ = false;
    // The client may abandon a message it began by ending it with the ignore bit.
    if ((header.status & packet_status::kIgnore) != 0) {
        message_ = Message{};
        return Progress::Discarded;
    }
    return Progress::Complete;
}

Message MessageAssembler::take()
{
    Message done = std::move(message_);
    message_ = Message{};
    return done;
}

std::vector<std::uint8_t> frame_message(PacketType type, std::span<const std::uint8_t> payload,
                                        std::size_t packet_size, std::uint16_t spid)
{
    const std::size_t size = std::clamp(packet_size, kMinPacketSize, kMaxPacketSize);
    const std::size_t room = size - kPacketHeaderSize;
    std::vector<std::uint8_t> out;
    out.reserve(payload.size() + (payload.size() / room + 1) * kPacketHeaderSize);
    std::size_t offset = 0;
    std::uint8_t packet_id = 1;
    do {
        const std::size_t part = std::min(room, payload.size() - offset);
        const bool last = offset + part == payload.size();
        const std::size_t length = part + kPacketHeaderSize;
        out.push_back(static_cast<std::uint8_t>(type));
        out.push_back(last ? packet_status::kEndOfMessage : 0);
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(length & 0xFF));
        out.push_back(static_cast<std::uint8_t>(spid >> 8));
        out.push_back(static_cast<std::uint8_t>(spid & 0xFF));
        out.push_back(packet_id);
        out.push_back(0);
        out.insert(out.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                   payload.begin() + static_cast<std::ptrdiff_t>(offset + part));
        offset += part;
        packet_id = static_cast<std::uint8_t>(packet_id + 1);
    } while (offset < payload.size());
    return out;
}

}  // namespace dw::tds
