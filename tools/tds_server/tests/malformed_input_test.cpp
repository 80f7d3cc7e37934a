// The running server against clients that send what no driver would: it drops that client, logs
// why, and goes on serving the next one.
#include <gtest/gtest.h>

#include <random>

#include "support/raw_tds_client.h"
#include "support/server_process.h"

namespace dw::tds::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

Bytes packet(std::uint8_t type, std::uint8_t status, std::uint16_t length, const Bytes& body)
{
    Bytes out;
    out.reserve(8 + body.size());  // reserving first also keeps GCC 12's -Warray-bounds false alarm away
    for (std::uint8_t byte : {type, status, static_cast<std::uint8_t>(length >> 8),
                              static_cast<std::uint8_t>(length & 0xFF), std::uint8_t{0}, std::uint8_t{0},
                              std::uint8_t{1}, std::uint8_t{0}}) {
        out.push_back(byte);
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

class MalformedInput : public ::testing::Test {
protected:
    // A short read time-out, so that a client that stops halfway is dropped quickly.
    ServerProcess server{{"--read-timeout", "1"}};

    void expect_server_still_serves()
    {
        RawConnection next(server.port());
        const auto response = log_in(next);
        ASSERT_TRUE(response.has_value()) << server.log_text();
        EXPECT_TRUE(response->login_ack) << server.log_text();
        EXPECT_TRUE(server.running());
    }
};

TEST_F(MalformedInput, DropsClientsWhosePacketsLieOrStopAndServesTheNext)
{
    struct Case {
        const char* label;
        Bytes bytes;
        bool then_close_writing;
    };
    std::mt19937 random(20240305);
    Bytes garbage(3000);
    for (auto& b : garbage) {
        b = static_cast<std::uint8_t>(random());
    }
    const std::vector<Case> cases{
        {"truncated header, then end of stream", {0x12, 0x01, 0x00}, true},
        {"truncated header, then silence", {0x12, 0x01, 0x00}, false},
        {"length shorter than the header", packet(0x12, 1, 4, {}), false},
        {"length beyond the protocol maximum", packet(0x12, 1, 0xFFFF, Bytes(100, 0)), false},
        {"length larger than what follows", packet(0x12, 1, 200, Bytes(20, 0)), false},
        {"garbage", garbage, false},
        {"prelogin option outside the message", packet(0x12, 1, 8 + 6, {0x01, 0x7F, 0x00, 0x00, 0x01, 0xFF}), false},
        {"a batch before login", packet(0x01, 1, 8 + 4, {'S', 0, 'E', 0}), false},
    };
    for (const auto& c : cases) {
        RawConnection client(server.port());
        client.send_bytes(c.bytes);
        if (c.then_close_writing) {
            client.shutdown_write();
        }
        EXPECT_TRUE(client.closed_by_server(3s)) << c.label;
        expect_server_still_serves();
    }
    EXPECT_NE(server.log_text().find("dropped malformed input"), std::string::npos);
}

TEST_F(MalformedInput, DropsAMessageGrowingPastTheLimit)
{
    RawConnection client(server.port());
    client.send_message(kTypePrelogin, prelogin_payload(0));
    ASSERT_TRUE(client.read_message(2s).has_value());
    // 1.5 MB of LOGIN7 continuation packets, never ending.
    const Bytes body(32000, 0x41);
    for (int i = 0; i < 48; ++i) {
        client.send_bytes(packet(kTypeLogin7, 0, static_cast<std::uint16_t>(body.size() + 8), body));
    }
    EXPECT_TRUE(client.closed_by_server(3s));
    expect_server_still_serves();
}

TEST_F(MalformedInput, DropsALoginWhoseFieldsPointOutsideIt)
{
    RawConnection client(server.port());
    client.send_message(kTypePrelogin, prelogin_payload(0));
    ASSERT_TRUE(client.read_message(2s).has_value());
    Bytes login = login7_payload({});
    login[40] = 0xF0;  // user name offset far beyond the message
    login[41] = 0x7F;
    client.send_message(kTypeLogin7, login);
    EXPECT_TRUE(client.closed_by_server(3s));
    expect_server_still_serves();
}

TEST_F(MalformedInput, DropsALoggedInClientSendingBrokenRequests)
{
    const std::vector<std::pair<std::uint8_t, Bytes>> requests{
        {kTypeSqlBatch, {0x05, 0, 0, 0}},                       // ALL_HEADERS longer than the message
        {kTypeSqlBatch, Bytes{22, 0, 0, 0, 18, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'S'}},  // odd text
        {kTypeRpc, Bytes{22, 0, 0, 0, 18, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0x40, 0}},  // name cut
        {0x07, Bytes{1, 2, 3}},                                 // bulk load is not served
    };
    for (const auto& [type, payload] : requests) {
        RawConnection client(server.port());
        ASSERT_TRUE(log_in(client).has_value());
        client.send_message(type, payload);
        EXPECT_TRUE(client.closed_by_server(3s)) << int{type};
        expect_server_still_serves();
    }
}

TEST_F(MalformedInput, AnUnknownParameterTypeIsAnErrorNotADrop)
{
    RawConnection client(server.port());
    ASSERT_TRUE(log_in(client).has_value());
    Bytes rpc = all_headers();
    rpc.insert(rpc.end(), {1, 0, 'p', 0, 0, 0, /* parameter */ 0, 0, 0xF1, 0});
    client.send_message(kTypeRpc, rpc);
    const auto answer = client.read_message(2s);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(read_response(*answer).errors, std::vector<std::int32_t>{8009});

    client.send_message(kTypeSqlBatch, sql_batch_payload(u"SELECT 1", true));
    ASSERT_TRUE(client.read_message(2s).has_value()) << "the session goes on";
}

TEST_F(MalformedInput, AStalledClientDoesNotHoldUpOthers)
{
    RawConnection stalled(server.port());
    stalled.send_bytes(Bytes{0x12, 0x01, 0x00, 0x40, 0, 0});  // half a header, then nothing
    for (int i = 0; i < 3; ++i) {
        expect_server_still_serves();
    }
}

}  // namespace
}  // namespace dw::tds::test
