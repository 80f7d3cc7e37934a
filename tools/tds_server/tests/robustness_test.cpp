// Randomly corrupted messages and SQL: the parsers either read them or refuse them with their own
// exceptions, never anything else (run under the sanitizers, never outside their buffers).
#include <gtest/gtest.h>

#include <random>

#include "login7.h"
#include "prelogin.h"
#include "protocol_error.h"
#include "request_executor.h"
#include "rpc_request.h"
#include "support/raw_tds_client.h"
#include "support/temp_dir.h"

namespace dw::tds {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes mutate(Bytes bytes, std::mt19937& random)
{
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < edits && !bytes.empty(); ++i) {
        const std::size_t at = random() % bytes.size();
        switch (random() % 3) {
        case 0:
            bytes[at] = static_cast<std::uint8_t>(random());
            break;
        case 1:
            bytes.resize(at);
            break;
        default:
            bytes[at] = 0xFF;
            break;
        }
    }
    return bytes;
}

template <typename Parse>
void expect_read_or_refused(const Bytes& original, Parse parse, int rounds)
{
    std::mt19937 random(7);
    for (int i = 0; i < rounds; ++i) {
        const Bytes input = mutate(original, random);
        try {
            parse(input);
        } catch (const ProtocolError&) {
        } catch (const UnsupportedType&) {
        }
    }
}

Bytes sample_rpc()
{
    Bytes out = test::all_headers();
    const Bytes name = test::ucs2(u"sp_executesql");
    out.insert(out.end(), {13, 0});
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), {0, 0});
    for (const std::u16string_view value : {std::u16string_view(u"EXEC CreateBakFile @P1, @P2"),
                                            std::u16string_view(u"@P1 nvarchar(50),@P2 nvarchar(250)")}) {
        const Bytes v = test::ucs2(value);
        out.insert(out.end(), {0, 0, 0xE7, 0xF4, 0x01, 0x09, 0x04, 0xD0, 0x00, 0x34,
                               static_cast<std::uint8_t>(v.size()), 0});
        out.insert(out.end(), v.begin(), v.end());
    }
    out.insert(out.end(), {0, 0, 0x26, 4, 4, 1, 0, 0, 0});                    // int
    out.insert(out.end(), {0, 0, 0x6C, 17, 38, 2, 5, 1, 0x39, 0x30, 0, 0});  // numeric
    return out;
}

TEST(Robustness, CorruptedMessagesAreReadOrRefused)
{
    expect_read_or_refused(test::login7_payload({}), [](const Bytes& b) { parse_login7(b); }, 3000);
    expect_read_or_refused(test::prelogin_payload(0), [](const Bytes& b) { parse_prelogin(b); }, 3000);
    for (const std::uint32_t level : {0x71000001u, 0x74000004u}) {
        const TdsVersion version = *negotiate_tds_version(level);
        expect_read_or_refused(sample_rpc(), [&](const Bytes& b) { parse_rpc_request(b, version); }, 3000);
    }
}

class NeverPaused : public Pacer {
public:
    Wake pause(std::chrono::seconds) override { return Wake::Elapsed; }
};

TEST(Robustness, ArbitrarySqlGetsAnAnswerEndingInAFinalDone)
{
    test::TempDir dir;
    ServerSettings settings;
    settings.databases = {"QEL"};
    settings.bak_size = 10;
    SessionState state;
    state.database = state.login_database = "QEL";
    const FailMode none;
    NeverPaused pacer;
    const std::vector<std::string> pieces{"EXEC", "CreateBakFile", "N'QEL'", "'" + dir.path().string() + "'", ",",
                                          ";", "@P1", "=", "USE", "[QEL]", "SELECT", "@@spid", "db_name()", "(",
                                          ")", "'", "N'it''s'", "--", "/*", "*/", "SET", "IF", "@@TRANCOUNT",
                                          "NULL", "DEFAULT", "OUTPUT", "-", "1", "\n", "AS", "x"};
    std::mt19937 random(11);
    for (int i = 0; i < 3000; ++i) {
        std::string sql;
        const int length = static_cast<int>(random() % 12);
        for (int k = 0; k < length; ++k) {
            sql += pieces[random() % pieces.size()] + " ";
        }
        TokenStream out(kTds74);
        RequestExecutor executor(state, settings, none, pacer);
        executor.run_batch(sql, out);
        const test::Response response = test::read_response(out.bytes());
        ASSERT_FALSE(response.done_status.empty()) << sql;
        EXPECT_EQ(response.done_status.back() & done_status::kMore, 0) << sql;
        for (std::size_t d = 0; d + 1 < response.done_status.size(); ++d) {
            EXPECT_NE(response.done_status[d] & done_status::kMore, 0) << sql;
        }
    }
}

}  // namespace
}  // namespace dw::tds
