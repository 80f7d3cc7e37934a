// Session behaviour a driver rarely shows: refused logins of other kinds, a client that insists on
// encryption, attentions, connection reset, and prepared statements.
#include <gtest/gtest.h>

#include "support/raw_tds_client.h"
#include "support/server_process.h"

namespace dw::tds::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class RawSession : public ::testing::Test {
protected:
    ServerProcess server{{"--database", "QEL", "--database", "Other"}};

    Response exchange(RawConnection& connection, std::uint8_t type, const Bytes& payload, std::uint8_t status = 1)
    {
        if (status == 1) {
            connection.send_message(type, payload);
        } else {
            Bytes packet{type, status, 0, 0, 0, 0, 1, 0};
            const std::size_t length = payload.size() + 8;
            packet[2] = static_cast<std::uint8_t>(length >> 8);
            packet[3] = static_cast<std::uint8_t>(length & 0xFF);
            packet.insert(packet.end(), payload.begin(), payload.end());
            connection.send_bytes(packet);
        }
        const auto answer = connection.read_message(3s);
        if (!answer) {
            ADD_FAILURE() << "no answer\n" << server.log_text();
            return {};
        }
        return read_response(*answer);
    }

    std::string select_db_name(RawConnection& connection, std::uint8_t status = 1)
    {
        const Response response = exchange(connection, kTypeSqlBatch, sql_batch_payload(u"SELECT DB_NAME()", true), status);
        return response.nvarchar_values.empty() ? std::string() : response.nvarchar_values[0];
    }
};

TEST_F(RawSession, RefusesLoginsItCannotServeWithAReason)
{
    struct Case {
        const char* label;
        LoginRequest login;
        std::int32_t error;
    };
    LoginRequest integrated;
    integrated.integrated_security = true;
    LoginRequest tds8;
    tds8.tds_version = 0x08000000;
    for (const auto& c : {Case{"integrated security", integrated, 18452}, Case{"TDS 8", tds8, 4002}}) {
        RawConnection client(server.port());
        const auto response = log_in(client, c.login);
        ASSERT_TRUE(response.has_value()) << c.label;
        EXPECT_FALSE(response->login_ack) << c.label;
        EXPECT_EQ(response->errors, std::vector<std::int32_t>{c.error}) << c.label;
        EXPECT_TRUE(client.closed_by_server(2s)) << c.label;
    }
}

TEST_F(RawSession, LogsInAtTds71WithNarrowFields)
{
    RawConnection client(server.port());
    LoginRequest login;
    login.tds_version = 0x71000001;
    const auto response = log_in(client, login);
    ASSERT_TRUE(response.has_value());
    EXPECT_TRUE(response->login_ack);
    EXPECT_EQ(response->tds_version, 0x71000001u);
    client.send_message(kTypeSqlBatch, sql_batch_payload(u"SELECT N'x'", false));
    const auto answer = client.read_message(2s);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(read_response(*answer, false, true).nvarchar_values, std::vector<std::string>{"x"});
}

TEST_F(RawSession, AClientInsistingOnEncryptionIsToldNoAndClosedWhenItTriesTls)
{
    RawConnection client(server.port());
    client.send_message(kTypePrelogin, prelogin_payload(0x01));
    const auto answer = client.read_message(2s);
    ASSERT_TRUE(answer.has_value());
    // ENCRYPTION is the second option of the answer; its one byte must be ENCRYPT_NOT_SUP.
    const std::size_t offset = static_cast<std::size_t>(((*answer)[6] << 8) | (*answer)[7]);
    ASSERT_LT(offset, answer->size());
    EXPECT_EQ((*answer)[5], 0x01);
    EXPECT_EQ((*answer)[offset], 0x02);
    client.send_message(kTypePrelogin, Bytes{0x16, 0x03, 0x01, 0x00, 0x05});  // a TLS ClientHello begins
    EXPECT_TRUE(client.closed_by_server(2s));
    EXPECT_NE(server.log_text().find("encryption is not supported"), std::string::npos);
}

TEST_F(RawSession, AnswersAnAttentionWhileIdleAndGoesOn)
{
    RawConnection client(server.port());
    ASSERT_TRUE(log_in(client).has_value());
    const Response ack = exchange(client, kTypeAttention, {});
    ASSERT_EQ(ack.done_status.size(), 1u);
    EXPECT_EQ(ack.done_status[0], 0x0020);
    EXPECT_EQ(select_db_name(client), "QEL");
}

TEST_F(RawSession, AResetRequestReturnsToTheLoginDatabase)
{
    RawConnection client(server.port());
    ASSERT_TRUE(log_in(client).has_value());
    EXPECT_TRUE(exchange(client, kTypeSqlBatch, sql_batch_payload(u"USE Other", true)).errors.empty());
    EXPECT_EQ(select_db_name(client), "Other");
    EXPECT_EQ(select_db_name(client, 0x09), "QEL");  // end of message + reset connection
}

TEST_F(RawSession, AnUnknownPreparedHandleIsAnError)
{
    RawConnection client(server.port());
    ASSERT_TRUE(log_in(client).has_value());
    Bytes rpc = all_headers();
    rpc.insert(rpc.end(), {0xFF, 0xFF, 12, 0, 0, 0, /* handle 99 */ 0, 0, 0x26, 4, 4, 99, 0, 0, 0});
    const Response response = exchange(client, kTypeRpc, rpc);
    EXPECT_EQ(response.errors, std::vector<std::int32_t>{8179});
    EXPECT_EQ(select_db_name(client), "QEL");
}

TEST(RawSessionLimits, AnIdleConnectionIsClosedAfterTheIdleTimeOut)
{
    ServerProcess server({"--idle-timeout", "1"});
    RawConnection client(server.port());
    ASSERT_TRUE(log_in(client).has_value());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(client.closed_by_server(3s));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 900ms);
    EXPECT_NE(server.log_text().find("idle for 1 s"), std::string::npos);
}

}  // namespace
}  // namespace dw::tds::test
