#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace dw::tds {

// Message types of the packet header (the first byte of every packet).
enum class PacketType : std::uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    TabularResult = 0x04,
    Attention = 0x06,
    BulkLoad = 0x07,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    Sspi = 0x11,
    Prelogin = 0x12,
};

namespace packet_status {
constexpr std::uint8_t kEndOfMessage = 0x01;
constexpr std::uint8_t kIgnore = 0x02;
constexpr std::uint8_t kResetConnection = 0x08;
constexpr std::uint8_t kResetConnectionSkipTran = 0x10;
}  // namespace packet_status

constexpr std::size_t kPacketHeaderSize = 8;
// The largest packet TDS allows; a header claiming more is refused before anything is allocated.
constexpr std::size_t kMaxPacketSize = 32767;
constexpr std::size_t kMinPacketSize = 512;
constexpr std::size_t kDefaultPacketSize = 4096;

struct PacketHeader {
    std::uint8_t type = 0;
    std::uint8_t status = 0;
    std::uint16_t length = 0;  // the whole packet, header included
    std::uint16_t spid = 0;
    std::uint8_t packet_id = 0;
    std::uint8_t window = 0;

    std::size_t body_size() const { return length - kPacketHeaderSize; }
};

// Throws ProtocolError when the length is below the header's own size or above kMaxPacketSize.
PacketHeader parse_packet_header(std::span<const std::uint8_t, kPacketHeaderSize> bytes);

struct Message {
    std::uint8_t type = 0;
    bool reset_connection = false;
    std::vector<std::uint8_t> payload;
};

// Joins the packets of one message, refusing messages above a size limit and packets whose type
// changes in the middle of a message.
class MessageAssembler {
public:
    enum class Progress { NeedMore, Complete, Discarded };

    explicit MessageAssembler(std::size_t max_message_size) : max_message_size_(max_message_size) {}

    Progress add(const PacketHeader& header, std::span<const std::uint8_t> body);
    Message take();
    bool in_progress() const { return started_; }

private:
    std::size_t max_message_size_;
    bool started_ = false;
    Message message_;
};

// Cuts a payload into packets of at most packet_size bytes (header included), the last one marked
// end-of-message. An empty payload still gives one packet.
std::vector<std::uint8_t> frame_message(PacketType type, std::span<const std::uint8_t> payload,
                                        std::size_t packet_size, std::uint16_t spid);

}  // namespace dw::tds
