// Packet framing, PRELOGIN, LOGIN7, version negotiation and RPC parsing, including what happens to
// short, lying and oversized input.
#include <gtest/gtest.h>

#include <array>

#include "all_headers.h"
#include "byte_reader.h"
#include "login7.h"
#include "packet.h"
#include "prelogin.h"
#include "protocol_error.h"
#include "rpc_request.h"
#include "support/raw_tds_client.h"
#include "tds_version.h"
#include "text.h"
#include "token_stream.h"

namespace dw::tds {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::array<std::uint8_t, 8> header(std::uint8_t type, std::uint8_t status, std::uint16_t length)
{
    return {type, status, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF), 0, 0x33, 1,
            0};
}

TEST(PacketHeader, AcceptsLengthsFromItsOwnSizeToTheProtocolMaximum)
{
    struct Case {
        std::uint16_t length;
        bool valid;
    };
    for (const Case c : {Case{0, false}, Case{7, false}, Case{8, true}, Case{4096, true}, Case{32767, true},
                         Case{32768, false}, Case{65535, false}}) {
        const auto raw = header(0x12, 1, c.length);
        if (c.valid) {
            const PacketHeader parsed = parse_packet_header(raw);
            EXPECT_EQ(parsed.body_size(), c.length - 8u) << c.length;
            EXPECT_EQ(parsed.spid, 0x33);
        } else {
            EXPECT_THROW(parse_packet_header(raw), ProtocolError) << c.length;
        }
    }
}

TEST(MessageAssembler, JoinsPacketsUntilEndOfMessage)
{
    MessageAssembler assembler(100);
    const Bytes first{1, 2, 3};
    const Bytes second{4, 5};
    EXPECT_EQ(assembler.add(parse_packet_header(header(0x01, 0x08, 11)), first), MessageAssembler::Progress::NeedMore);
    EXPECT_EQ(assembler.add(parse_packet_header(header(0x01, 0x01, 10)), second), MessageAssembler::Progress::Complete);
    const Message message = assembler.take();
    EXPECT_EQ(message.type, 0x01);
    EXPECT_TRUE(message.reset_connection);
    EXPECT_EQ(message.payload, (Bytes{1, 2, 3, 4, 5}));
}

TEST(MessageAssembler, RefusesATypeChangeInsideAMessage)
{
    MessageAssembler assembler(100);
    assembler.add(parse_packet_header(header(0x01, 0, 9)), Bytes{1});
    EXPECT_THROW(assembler.add(parse_packet_header(header(0x03, 1, 9)), Bytes{1}), ProtocolError);
}

TEST(MessageAssembler, RefusesMessagesAboveItsLimitAndNotBefore)
{
    MessageAssembler at_limit(4);
    EXPECT_EQ(at_limit.add(parse_packet_header(header(0x01, 1, 12)), Bytes(4, 0)), MessageAssembler::Progress::Complete);
    MessageAssembler over_limit(4);
    over_limit.add(parse_packet_header(header(0x01, 0, 11)), Bytes(3, 0));
    EXPECT_THROW(over_limit.add(parse_packet_header(header(0x01, 1, 10)), Bytes(2, 0)), ProtocolError);
}

TEST(MessageAssembler, DiscardsAMessageEndedWithTheIgnoreBitAndGoesOn)
{
    MessageAssembler assembler(100);
    assembler.add(parse_packet_header(header(0x01, 0, 9)), Bytes{7});
    EXPECT_EQ(assembler.add(parse_packet_header(header(0x01, 0x03, 9)), Bytes{8}), MessageAssembler::Progress::Discarded);
    EXPECT_EQ(assembler.add(parse_packet_header(header(0x03, 1, 9)), Bytes{9}), MessageAssembler::Progress::Complete);
    EXPECT_EQ(assembler.take().payload, Bytes{9});
}

TEST(FrameMessage, CutsAtThePacketSizeAndReassemblesToTheSamePayload)
{
    for (const std::size_t size : {0u, 1u, 4088u, 4089u, 10000u}) {
        Bytes payload(size);
        for (std::size_t i = 0; i < size; ++i) {
            payload[i] = static_cast<std::uint8_t>(i * 7);
        }
        const Bytes framed = frame_message(PacketType::TabularResult, payload, 4096, 52);
        MessageAssembler assembler(1 << 20);
        std::size_t offset = 0;
        std::size_t packets = 0;
        MessageAssembler::Progress progress = MessageAssembler::Progress::NeedMore;
        while (offset < framed.size()) {
            const PacketHeader h = parse_packet_header(std::span<const std::uint8_t, 8>(framed.data() + offset, 8));
            ASSERT_LE(h.length, 4096);
            EXPECT_EQ(h.packet_id, packets + 1);
            progress = assembler.add(h, std::span(framed).subspan(offset + 8, h.body_size()));
            offset += h.length;
            ++packets;
        }
        EXPECT_EQ(progress, MessageAssembler::Progress::Complete) << size;
        EXPECT_EQ(packets, size == 0 ? 1 : (size + 4087) / 4088) << size;
        EXPECT_EQ(assembler.take().payload, payload) << size;
    }
}

TEST(Prelogin, ReadsTheClientsEncryptionWish)
{
    struct Case {
        std::uint8_t option;
        bool requires_tls;
    };
    for (const Case c : {Case{encryption::kOff, false}, Case{encryption::kNotSupported, false},
                         Case{encryption::kOn, true}, Case{encryption::kRequired, true}}) {
        const PreloginRequest request = parse_prelogin(test::prelogin_payload(c.option));
        EXPECT_EQ(request.encryption, c.option);
        EXPECT_EQ(client_requires_encryption(request), c.requires_tls) << int{c.option};
    }
}

TEST(Prelogin, AnswerIsAValidOptionTableRefusingEncryption)
{
    const PreloginRequest answer = parse_prelogin(build_prelogin_response());
    EXPECT_EQ(answer.encryption, encryption::kNotSupported);
    EXPECT_FALSE(answer.mars);
}

TEST(Prelogin, RefusesOptionsOutsideTheMessageAndAMissingTerminator)
{
    Bytes outside = test::prelogin_payload(0);
    outside[8] = 0x40;  // ENCRYPTION's offset far past the end
    EXPECT_THROW(parse_prelogin(outside), ProtocolError);
    const Bytes no_terminator{0x01, 0x00, 0x05, 0x00, 0x01};
    EXPECT_THROW(parse_prelogin(no_terminator), ProtocolError);
    EXPECT_THROW(parse_prelogin(Bytes{}), ProtocolError);
    EXPECT_THROW(parse_prelogin(Bytes(300, 0x04)), ProtocolError);  // options that never end
}

TEST(Login7, ReadsNamesAndUnscramblesThePassword)
{
    test::LoginRequest request;
    request.user = u"we;ird'\"user";
    request.password = u"p;w}d'\"Ü";
    request.database = u"My Shop";
    const Login7 login = parse_login7(test::login7_payload(request));
    EXPECT_EQ(login.user, "we;ird'\"user");
    EXPECT_EQ(login.password, "p;w}d'\"\xC3\x9C");
    EXPECT_EQ(login.database, "My Shop");
    EXPECT_EQ(login.tds_version, 0x74000004u);
    EXPECT_EQ(login.packet_size, 4096u);
    EXPECT_FALSE(login.integrated_security);
}

TEST(Login7, UnscramblesAKnownPassword)
{
    // "a" is 61 00; each byte has its nibbles swapped, then XOR A5: B3 A5.
    EXPECT_EQ(unscramble_password(Bytes{0xB3, 0xA5}), u"a");
}

TEST(Login7, RefusesShortMessagesAndFieldsPointingOutside)
{
    const Bytes good = test::login7_payload({});
    EXPECT_THROW(parse_login7(Bytes(good.begin(), good.begin() + 60)), ProtocolError);

    Bytes lying_length = good;
    lying_length[0] = static_cast<std::uint8_t>(good.size() + 1);
    EXPECT_THROW(parse_login7(lying_length), ProtocolError);

    Bytes user_outside = good;
    user_outside[42] = 0xFF;  // user name of 255 characters
    EXPECT_THROW(parse_login7(user_outside), ProtocolError);

    Bytes offset_outside = good;
    offset_outside[68] = 0xF0;  // database offset
    offset_outside[69] = 0xFF;
    EXPECT_THROW(parse_login7(offset_outside), ProtocolError);
}

TEST(TdsVersion, NegotiatesTheClientsLevelOrRefuses)
{
    struct Case {
        std::uint32_t login_value;
        std::uint8_t level;
        std::uint32_t loginack;
    };
    for (const Case c : {Case{0x70000000, 0x70, 0x07000000}, Case{0x71000001, 0x71, 0x71000001},
                         Case{0x00000071, 0x71, 0x71000001}, Case{0x72090002, 0x72, 0x72090002},
                         Case{0x730A0003, 0x73, 0x730A0003}, Case{0x730B0003, 0x73, 0x730B0003},
                         Case{0x74000004, 0x74, 0x74000004}, Case{0x75000000, 0x74, 0x74000004}}) {
        const auto version = negotiate_tds_version(c.login_value);
        ASSERT_TRUE(version.has_value()) << std::hex << c.login_value;
        EXPECT_EQ(version->level(), c.level) << std::hex << c.login_value;
        EXPECT_EQ(version->loginack_value(), c.loginack) << std::hex << c.login_value;
    }
    for (const std::uint32_t refused : {0x00000000u, 0x08000000u, 0x05000000u, 0x42000000u}) {
        EXPECT_FALSE(negotiate_tds_version(refused).has_value()) << std::hex << refused;
    }
}

// --- RPC requests as a 7.x client writes them ---

void put16(Bytes& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v)
{
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

void nvarchar_param(Bytes& out, std::u16string_view name, std::optional<std::u16string_view> value, bool collation)
{
    out.push_back(static_cast<std::uint8_t>(name.size()));
    const Bytes n = test::ucs2(name);
    out.insert(out.end(), n.begin(), n.end());
    out.push_back(0);     // status
    out.push_back(0xE7);  // NVARCHAR
    put16(out, 500);
    if (collation) {
        out.insert(out.end(), {0x09, 0x04, 0xD0, 0x00, 0x34});
    }
    if (!value) {
        put16(out, 0xFFFF);
        return;
    }
    const Bytes v = test::ucs2(*value);
    put16(out, static_cast<std::uint16_t>(v.size()));
    out.insert(out.end(), v.begin(), v.end());
}

Bytes rpc_by_name(std::u16string_view proc, bool headers)
{
    Bytes out = headers ? test::all_headers() : Bytes{};
    put16(out, static_cast<std::uint16_t>(proc.size()));
    const Bytes name = test::ucs2(proc);
    out.insert(out.end(), name.begin(), name.end());
    put16(out, 0);  // option flags
    return out;
}

TEST(RpcRequest, ReadsAProcedureCallWithTextParametersAtEveryLevel)
{
    for (const std::uint32_t wire : {0x70000000u, 0x71000001u, 0x72090002u, 0x74000004u}) {
        const TdsVersion version = *negotiate_tds_version(wire);
        Bytes payload = rpc_by_name(u"CreateBakFile", version.has_all_headers());
        nvarchar_param(payload, u"", u"QEL", version.has_collations());
        nvarchar_param(payload, u"@ToDir", u"Z:\\it's", version.has_collations());
        nvarchar_param(payload, u"", std::nullopt, version.has_collations());
        const auto calls = parse_rpc_request(payload, version);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].procedure(), "CreateBakFile");
        ASSERT_EQ(calls[0].params.size(), 3u);
        EXPECT_EQ(calls[0].params[0].value.text, "QEL");
        EXPECT_EQ(calls[0].params[1].name, "@ToDir");
        EXPECT_EQ(calls[0].params[1].value.text, "Z:\\it's");
        EXPECT_TRUE(calls[0].params[2].value.is_null);
    }
}

TEST(RpcRequest, ReadsProcedureNumbersIntegersPlpTextAndBatchedCalls)
{
    Bytes payload = test::all_headers();
    put16(payload, 0xFFFF);
    put16(payload, proc_id::kPrepExec);
    put16(payload, 0);
    // @handle int OUTPUT = NULL
    payload.insert(payload.end(), {7, '@', 0, 'h', 0, 'a', 0, 'n', 0, 'd', 0, 'l', 0, 'e', 0, 0x01, 0x26, 4, 0});
    // an nvarchar(max) value sent in two chunks
    payload.insert(payload.end(), {0, 0, 0xE7, 0xFF, 0xFF, 0x09, 0x04, 0xD0, 0x00, 0x34});
    const Bytes part1 = test::ucs2(u"EXEC ");
    const Bytes part2 = test::ucs2(u"x");
    payload.insert(payload.end(), 8, 0xFE);  // total length unknown
    put32(payload, static_cast<std::uint32_t>(part1.size()));
    payload.insert(payload.end(), part1.begin(), part1.end());
    put32(payload, static_cast<std::uint32_t>(part2.size()));
    payload.insert(payload.end(), part2.begin(), part2.end());
    put32(payload, 0);
    // a smallint -2 and a tinyint 200
    payload.insert(payload.end(), {0, 0, 0x26, 2, 2, 0xFE, 0xFF, 0, 0, 0x30, 200});
    // second call, after the 7.2 batch separator
    payload.push_back(0x80);
    put16(payload, 0xFFFF);
    put16(payload, proc_id::kUnprepare);
    put16(payload, 0);

    const auto calls = parse_rpc_request(payload, kTds74);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].procedure(), "sp_prepexec");
    ASSERT_EQ(calls[0].params.size(), 4u);
    EXPECT_TRUE(calls[0].params[0].output);
    EXPECT_TRUE(calls[0].params[0].value.is_null);
    EXPECT_EQ(calls[0].params[1].value.text, "EXEC x");
    EXPECT_EQ(calls[0].params[2].value.integer, -2);
    EXPECT_EQ(calls[0].params[3].value.integer, 200);
    EXPECT_EQ(calls[1].procedure(), "sp_unprepare");
}

TEST(RpcRequest, TruncatedRequestsAreProtocolErrorsAndUnknownTypesAreNot)
{
    Bytes payload = rpc_by_name(u"CreateBakFile", true);
    nvarchar_param(payload, u"", u"QEL", true);
    const std::size_t call_without_params = 22 + 2 + 26 + 2;  // headers, name length, name, flags
    for (std::size_t cut = 1; cut < payload.size(); ++cut) {
        if (cut == call_without_params) {
            continue;
        }
        const Bytes truncated(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(parse_rpc_request(truncated, kTds74), ProtocolError) << "cut at " << cut;
    }
    Bytes xml = rpc_by_name(u"CreateBakFile", true);
    xml.insert(xml.end(), {0, 0, 0xF1, 0});
    EXPECT_THROW(parse_rpc_request(xml, kTds74), UnsupportedType);
}

TEST(AllHeaders, RefusesLengthsThatDoNotAddUp)
{
    Bytes good = test::all_headers();
    good.push_back(0x42);
    ByteReader reader(good);
    skip_all_headers(reader);
    EXPECT_EQ(reader.u8(), 0x42);

    for (const auto& bad : {Bytes{0x50, 0, 0, 0, 1, 2}, Bytes{10, 0, 0, 0, 3, 0, 0, 0, 2, 0},
                            Bytes{3, 0, 0, 0}, Bytes{2, 0}}) {
        ByteReader r(bad);
        EXPECT_THROW(skip_all_headers(r), ProtocolError);
    }
}

TEST(Text, ConvertsBetweenUtf8AndUtf16AndReplacesBrokenInput)
{
    EXPECT_EQ(utf16_to_utf8(utf8_to_utf16("Склад \xF0\x9F\x93\xA6 ok")), "Склад \xF0\x9F\x93\xA6 ok");
    EXPECT_EQ(utf16_to_utf8(std::u16string{u'a', char16_t{0xD800}, u'b'}), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(utf8_to_utf16("\xC3"), u"\uFFFD");
    EXPECT_TRUE(equals_ignoring_case("Склад QEL", "склад qel"));
    EXPECT_FALSE(equals_ignoring_case("QEL", "QEL2"));
    EXPECT_EQ(loggable("a\nb\tc\x01", 10), "a\\nb c?");
    EXPECT_EQ(loggable("abcdef", 3), "abc...");
}

TEST(TokenStream, EncodesForTheAgreedLevelSoAClientReadsItBack)
{
    for (const std::uint32_t wire : {0x70000000u, 0x71000001u, 0x72090002u, 0x74000004u}) {
        const TdsVersion version = *negotiate_tds_version(wire);
        TokenStream tokens(version);
        tokens.login_ack();
        tokens.message(ServerMessage{2812, 62, 16, "Could not find stored procedure 'X'.", "", 1});
        tokens.message(ServerMessage{5701, 2, 0, "Changed database context to 'QEL'.", "", 1});
        tokens.result_set(ResultSet{{Column{"FileName", ColumnKind::NVarChar}, Column{"n", ColumnKind::Int}},
                                    {{Cell{std::string("QEL_1.bak")}, Cell{7}}, {Cell{}, Cell{}}}});
        tokens.return_status(-6);
        tokens.done(DoneKind::DoneProc, done_status::kError, current_command::kExecute, 1);
        const test::Response response =
            test::read_response(tokens.bytes(), version.has_wide_fields(), version.has_collations());
        EXPECT_TRUE(response.login_ack);
        EXPECT_EQ(response.tds_version, version.loginack_value());
        EXPECT_EQ(response.errors, std::vector<std::int32_t>{2812});
        EXPECT_EQ(response.messages.size(), 2u);
        EXPECT_EQ(response.nvarchar_values, std::vector<std::string>{"QEL_1.bak"});
        EXPECT_EQ(response.return_status, -6);
        EXPECT_EQ(response.done_status, std::vector<std::uint16_t>{done_status::kError});
        EXPECT_TRUE(tokens.has_error());
    }
}

TEST(TokenStream, CutsOverlongMessageTextInsteadOfOverflowingTheTokenLength)
{
    TokenStream tokens(kTds74);
    tokens.message(ServerMessage{50000, 1, 16, std::string(70000, 'x'), "", 1});
    const test::Response response = test::read_response(tokens.bytes());
    ASSERT_EQ(response.messages.size(), 1u);
    EXPECT_LT(response.messages[0].size(), 70000u);
}

}  // namespace
}  // namespace dw::tds
