#include "message_channel.h"

#include <array>
#include <vector>

namespace dw::tds {

MessageChannel::MessageChannel(int fd, int stop_fd, ChannelLimits limits)
    : stream_(fd, stop_fd), limits_(limits), assembler_(limits.max_message_size)
{
}

MessageChannel::Received MessageChannel::receive(std::chrono::milliseconds idle_timeout)
{
    Received result;
    std::vector<std::uint8_t> body;
    for (;;) {
        std::array<std::uint8_t, kPacketHeaderSize> raw{};
        const auto first_wait = assembler_.in_progress() ? limits_.packet_timeout : idle_timeout;
        result.status = stream_.read_exact(raw, first_wait, limits_.packet_timeout);
        if (result.status != IoStatus::Ok) {
            return result;
        }
        const PacketHeader header = parse_packet_header(raw);
        body.resize(header.body_size());
        result.status = stream_.read_exact(body, limits_.packet_timeout, limits_.packet_timeout);
        if (result.status != IoStatus::Ok) {
            return result;
        }
        if (assembler_.add(header, body) == MessageAssembler::Progress::Complete) {
            result.message = assembler_.take();
            return result;
        }
    }
}

bool MessageChannel::send(PacketType type, std::span<const std::uint8_t> payload)
{
    const auto framed = frame_message(type, payload, packet_size_, spid_);
    return stream_.write_all(framed, limits_.write_timeout) == IoStatus::Ok;
}

}  // namespace dw::tds
