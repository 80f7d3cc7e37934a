#include "raw_tds_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace dw::tds::test {
namespace {

void put16le(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32le(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16le(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16le(out, static_cast<std::uint16_t>(v >> 16));
}

void set16le(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v)
{
    out[at] = static_cast<std::uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

class Walker {
public:
    explicit Walker(std::span<const std::uint8_t> data) : data_(data) {}
    bool done() const { return pos_ >= data_.size(); }
    std::uint8_t u8() { return at(pos_++); }
    std::uint16_t u16()
    {
        const std::uint16_t v = static_cast<std::uint16_t>(at(pos_) | (at(pos_ + 1) << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t u32()
    {
        const std::uint32_t low = u16();
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }
    void skip(std::size_t n)
    {
        if (pos_ + n > data_.size()) {
            throw std::runtime_error("token stream ends early");
        }
        pos_ += n;
    }
    std::string text(std::size_t units)
    {
        std::string out;
        for (std::size_t i = 0; i < units; ++i) {
            const std::uint16_t unit = u16();
            out += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        return out;
    }

private:
    std::uint8_t at(std::size_t i) const
    {
        if (i >= data_.size()) {
            throw std::runtime_error("token stream ends early");
        }
        return data_[i];
    }
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

}  // namespace

RawConnection::RawConnection(std::uint16_t port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot connect to the server");
    }
}

RawConnection::~RawConnection()
{
    ::close(fd_);
}

void RawConnection::send_bytes(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return;  // the server may already have closed; the test checks that separately
        }
        done += static_cast<std::size_t>(n);
    }
}

void RawConnection::send_message(std::uint8_t type, std::span<const std::uint8_t> payload, std::size_t packet_size)
{
    std::vector<std::uint8_t> out;
    std::size_t offset = 0;
    std::uint8_t id = 1;
    do {
        const std::size_t part = std::min(packet_size - 8, payload.size() - offset);
        const bool last = offset + part == payload.size();
        const std::size_t length = part + 8;
        out.insert(out.end(), {type, static_cast<std::uint8_t>(last ? 1 : 0), static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length & 0xFF), 0, 0, id++, 0});
        out.insert(out.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                   payload.begin() + static_cast<std::ptrdiff_t>(offset + part));
        offset += part;
    } while (offset < payload.size());
    send_bytes(out);
}

bool RawConnection::read_exact(std::uint8_t* data, std::size_t size, std::chrono::milliseconds timeout)
{
    std::size_t done = 0;
    while (done < size) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) {
            return false;
        }
        const ssize_t n = ::recv(fd_, data + done, size - done, 0);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> RawConnection::read_message(std::chrono::milliseconds timeout)
{
    std::vector<std::uint8_t> payload;
    for (;;) {
        std::uint8_t header[8];
        if (!read_exact(header, 8, timeout)) {
            return std::nullopt;
        }
        const std::size_t length = static_cast<std::size_t>((header[2] << 8) | header[3]);
        if (length < 8) {
            return std::nullopt;
        }
        const std::size_t offset = payload.size();
        payload.resize(offset + length - 8);
        if (!read_exact(payload.data() + offset, length - 8, timeout)) {
            return std::nullopt;
        }
        if ((header[1] & 1) != 0) {
            return payload;
        }
    }
}

bool RawConnection::closed_by_server(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        std::uint8_t sink[512];
        const ssize_t n = ::recv(fd_, sink, sizeof sink, 0);
        if (n == 0 || (n < 0 && errno == ECONNRESET)) {
            return true;
        }
        if (n < 0) {
            return false;
        }
    }
}

void RawConnection::shutdown_write()
{
    ::shutdown(fd_, SHUT_WR);
}

std::vector<std::uint8_t> ucs2(std::u16string_view text)
{
    std::vector<std::uint8_t> out;
    for (const char16_t c : text) {
        put16le(out, static_cast<std::uint16_t>(c));
    }
    return out;
}

std::vector<std::uint8_t> prelogin_payload(std::uint8_t encryption)
{
    // VERSION (6 bytes) and ENCRYPTION (1 byte), then the terminator.
    std::vector<std::uint8_t> out{0x00, 0x00, 0x0B, 0x00, 0x06, 0x01, 0x00, 0x11, 0x00, 0x01, 0xFF,
                                  0x09, 0x00, 0x00, 0x00, 0x00, 0x00, encryption};
    return out;
}

std::vector<std::uint8_t> login7_payload(const LoginRequest& login)
{
    constexpr std::size_t kFixed = 94;
    std::vector<std::uint8_t> out;
    put32le(out, 0);  // length, set at the end
    put32le(out, login.tds_version);
    put32le(out, login.packet_size);
    put32le(out, 7);      // client program version
    put32le(out, 4242);   // client PID
    put32le(out, 0);      // connection id
    out.push_back(0xE0);  // OptionFlags1
    out.push_back(static_cast<std::uint8_t>(0x03 | (login.integrated_security ? 0x80 : 0)));
    out.push_back(0);     // TypeFlags
    out.push_back(0);     // OptionFlags3
    put32le(out, 0);      // time zone
    put32le(out, 0x409);  // LCID
    out.resize(kFixed, 0);

    std::vector<std::uint8_t> password = ucs2(login.password);
    for (auto& b : password) {
        b = static_cast<std::uint8_t>(((b << 4) | (b >> 4)) ^ 0xA5);
    }
    const std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> fields{
        {36, ucs2(u"testhost")}, {40, ucs2(login.user)}, {44, password},           {48, ucs2(u"raw-test")},
        {52, ucs2(u"server")},   {60, ucs2(u"raw")},     {64, ucs2(u"us_english")}, {68, ucs2(login.database)},
    };
    for (const auto& [slot, bytes] : fields) {
        set16le(out, slot, static_cast<std::uint16_t>(out.size()));
        set16le(out, slot + 2, static_cast<std::uint16_t>(bytes.size() / 2));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    for (const std::size_t slot : {56u, 78u, 82u, 86u}) {  // extension, SSPI, attach file, change password
        set16le(out, slot, static_cast<std::uint16_t>(out.size()));
    }
    const auto length = static_cast<std::uint32_t>(out.size());
    out[0] = static_cast<std::uint8_t>(length & 0xFF);
    out[1] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
    return out;
}

std::vector<std::uint8_t> all_headers()
{
    std::vector<std::uint8_t> out;
    put32le(out, 22);
    put32le(out, 18);
    put16le(out, 2);
    out.insert(out.end(), 8, 0);  // transaction descriptor
    put32le(out, 1);              // outstanding requests
    return out;
}

std::vector<std::uint8_t> sql_batch_payload(std::u16string_view sql, bool with_headers)
{
    std::vector<std::uint8_t> out = with_headers ? all_headers() : std::vector<std::uint8_t>{};
    const auto text = ucs2(sql);
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

Response read_response(std::span<const std::uint8_t> payload, bool wide, bool collations)
{
    Response response;
    Walker walk(payload);
    std::vector<std::uint8_t> column_types;
    while (!walk.done()) {
        const std::uint8_t token = walk.u8();
        switch (token) {
        case 0xAA:  // ERROR
        case 0xAB: {  // INFO
            walk.u16();
            const auto number = static_cast<std::int32_t>(walk.u32());
            walk.skip(2);
            response.messages.push_back(walk.text(walk.u16()));
            walk.text(walk.u8());
            walk.text(walk.u8());
            walk.skip(wide ? 4 : 2);
            if (token == 0xAA) {
                response.errors.push_back(number);
            }
            break;
        }
        case 0xAD: {  // LOGINACK
            const std::uint16_t length = walk.u16();
            walk.u8();
            const std::uint32_t b0 = walk.u8();
            const std::uint32_t b1 = walk.u8();
            const std::uint32_t b2 = walk.u8();
            const std::uint32_t b3 = walk.u8();
            response.tds_version = (b0 << 24) | (b1 << 16) | (b2 << 8) | b3;
            response.login_ack = true;
            walk.skip(length - 5);
            break;
        }
        case 0xE3:  // ENVCHANGE
            walk.skip(walk.u16());
            break;
        case 0xAE:  // FEATUREEXTACK
            while (walk.u8() != 0xFF) {
                walk.skip(walk.u32());
            }
            break;
        case 0x79:  // RETURNSTATUS
            response.return_status = static_cast<std::int32_t>(walk.u32());
            break;
        case 0xAC: {  // RETURNVALUE of an int
            walk.u16();
            walk.text(walk.u8());
            walk.u8();
            walk.skip(wide ? 4 : 2);
            walk.u16();
            walk.u8();
            walk.u8();
            walk.skip(walk.u8());
            break;
        }
        case 0x81: {  // COLMETADATA
            const std::uint16_t count = walk.u16();
            column_types.clear();
            for (std::uint16_t i = 0; i < count; ++i) {
                walk.skip(wide ? 4 : 2);
                walk.u16();
                const std::uint8_t type = walk.u8();
                if (type == 0xE7) {
                    walk.u16();
                    walk.skip(collations ? 5 : 0);
                } else if (type == 0x26) {
                    walk.u8();
                } else {
                    throw std::runtime_error("unexpected column type");
                }
                column_types.push_back(type);
                walk.text(walk.u8());
            }
            break;
        }
        case 0xD1:  // ROW
            for (const std::uint8_t type : column_types) {
                if (type == 0xE7) {
                    const std::uint16_t bytes = walk.u16();
                    if (bytes != 0xFFFF) {
                        response.nvarchar_values.push_back(walk.text(bytes / 2));
                    }
                } else {
                    walk.skip(walk.u8());
                }
            }
            break;
        case 0xFD:
        case 0xFE:
        case 0xFF:
            response.done_status.push_back(walk.u16());
            walk.skip(wide ? 10 : 6);
            break;
        default:
            throw std::runtime_error("unknown token " + std::to_string(token));
        }
    }
    return response;
}

std::optional<Response> log_in(RawConnection& connection, const LoginRequest& login)
{
    using namespace std::chrono_literals;
    connection.send_message(kTypePrelogin, prelogin_payload(0x00));
    if (!connection.read_message(2s)) {
        return std::nullopt;
    }
    connection.send_message(kTypeLogin7, login7_payload(login));
    const auto answer = connection.read_message(2s);
    if (!answer) {
        return std::nullopt;
    }
    // A version the server cannot speak is refused in 7.4's encoding, the nearest it knows.
    const bool unknown = login.tds_version < 0x70000000;
    return read_response(*answer, unknown || login.tds_version >= 0x72000000, unknown || login.tds_version >= 0x71000000);
}

}  // namespace dw::tds::test
