#pragma once

#include <chrono>
#include <cstdint>
#include <span>

#include "packet.h"
#include "socket_stream.h"

namespace dw::tds {

struct ChannelLimits {
    // Longest wait for the rest of a message once its first byte arrived.
    std::chrono::milliseconds packet_timeout{15'000};
    std::chrono::milliseconds write_timeout{30'000};
    std::size_t max_message_size = 1024 * 1024;
};

// Whole TDS messages over one client socket: reads packets until end-of-message, writes a payload
// as packets of the negotiated size.
class MessageChannel {
public:
    MessageChannel(int fd, int stop_fd, ChannelLimits limits);

    struct Received {
        IoStatus status = IoStatus::Closed;
        Message message;
    };
    // Waits up to idle_timeout for a message to begin. Throws ProtocolError on a malformed packet.
    Received receive(std::chrono::milliseconds idle_timeout);
    // False when the client is gone or does not take the data in time.
    bool send(PacketType type, std::span<const std::uint8_t> payload);
    IoStatus wait_readable(std::chrono::milliseconds timeout) { return stream_.wait_readable(timeout); }

    void set_packet_size(std::size_t size) { packet_size_ = size; }
    void set_spid(std::uint16_t spid) { spid_ = spid; }

private:
    SocketStream stream_;
    ChannelLimits limits_;
    MessageAssembler assembler_;
    std::size_t packet_size_ = kDefaultPacketSize;
    std::uint16_t spid_ = 0;
};

}  // namespace dw::tds
