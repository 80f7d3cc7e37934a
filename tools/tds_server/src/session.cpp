#include "session.h"

#include <sys/socket.h>

#include <algorithm>
#include <cstdio>

#include "all_headers.h"
#include "byte_reader.h"
#include "login7.h"
#include "prelogin.h"
#include "protocol_error.h"
#include "request_executor.h"
#include "rpc_request.h"
#include "text.h"

namespace dw::tds {
namespace {

constexpr std::int32_t kLoginFailed = 18456;
constexpr std::string_view kLanguage = "us_english";

std::string hex32(std::uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", value);
    return buffer;
}

ChannelLimits limits_for(const ServerSettings& settings)
{
    ChannelLimits limits;
    limits.packet_timeout = std::chrono::duration_cast<std::chrono::milliseconds>(settings.read_timeout);
    return limits;
}

ServerMessage login_failed(const std::string& user)
{
    return ServerMessage{kLoginFailed, 1, 14, "Login failed for user '" + user + "'.", {}, 1};
}

}  // namespace

Session::Session(UniqueFd socket, std::string peer, std::uint16_t spid, const ServerSettings& settings,
                 RequestLog& log, int stop_fd)
    : socket_(std::move(socket)),
      client_(std::move(peer) + " #" + std::to_string(spid)),
      settings_(settings),
      log_(log),
      channel_(socket_.get(), stop_fd, limits_for(settings)),
      fail_source_(settings.fail, settings.control_file)
{
    state_.spid = spid;
    channel_.set_spid(spid);
}

void Session::run()
{
    try {
        if (log_in()) {
            serve();
        }
    } catch (const ProtocolError& e) {
        log("dropped", std::string("malformed input: ") + e.what());
    } catch (const ConnectionDropped& e) {
        log("dropped", e.what());
    } catch (const std::exception& e) {
        log("dropped", std::string("internal error: ") + e.what());
    }
    ::shutdown(socket_.get(), SHUT_RDWR);
}

bool Session::log_in()
{
    const auto login_wait = std::chrono::duration_cast<std::chrono::milliseconds>(settings_.read_timeout);
    auto received = channel_.receive(login_wait);
    if (received.status != IoStatus::Ok) {
        log("closed", received.status == IoStatus::TimedOut ? "no login in time" : "before login");
        return false;
    }
    if (received.message.type == static_cast<std::uint8_t>(PacketType::Prelogin)) {
        const PreloginRequest prelogin = parse_prelogin(received.message.payload);
        channel_.send(PacketType::TabularResult, build_prelogin_response());
        const bool wants_tls = client_requires_encryption(prelogin);
        log("prelogin", wants_tls ? "client requires encryption; answered ENCRYPT_NOT_SUP (this server speaks "
                                    "only unencrypted TDS), expecting the client to give up"
                                  : "answered ENCRYPT_NOT_SUP");
        received = channel_.receive(login_wait);
        if (received.status != IoStatus::Ok) {
            log("closed", wants_tls ? "client gave up: it requires encryption, which this server does not offer"
                                    : "after prelogin, before login");
            return false;
        }
        if (received.message.type == static_cast<std::uint8_t>(PacketType::Prelogin)) {
            log("closed", "client started a TLS handshake; encryption is not supported, connection closed");
            return false;
        }
    }
    if (received.message.type != static_cast<std::uint8_t>(PacketType::Login7)) {
        throw ProtocolError("expected LOGIN7, got message type " + std::to_string(received.message.type));
    }
    return answer_login(received.message);
}

bool Session::refuse_login(const std::string& user, std::initializer_list<ServerMessage> messages,
                           const std::string& reason)
{
    TokenStream tokens(state_.version);
    for (const auto& message : messages) {
        tokens.message(message);
    }
    tokens.done(DoneKind::Done, done_status::kError, current_command::kNone);
    send_tokens(tokens);
    log("login", "user=\"" + user + "\" refused: " + reason);
    return false;
}

bool Session::answer_login(const Message& message)
{
    const Login7 login = parse_login7(message.payload);
    const auto version = negotiate_tds_version(login.tds_version);
    if (!version) {
        return refuse_login(login.user,
                            {ServerMessage{4002, 1, 16,
                                           "dw_tds_server speaks TDS 7.0 to 7.4 without encryption; the client asked "
                                           "for TDS version " + hex32(login.tds_version) + ".",
                                           {}, 1}},
                            "unsupported TDS version " + hex32(login.tds_version));
    }
    state_.version = *version;
    const auto fail = fail_source_.current();
    if (!fail.warning.empty()) {
        log("control", fail.warning);
    }
    const std::string summary = "user=\"" + login.user + "\" db=\"" + login.database + "\" tds=" + version->name() +
                                " app=\"" + login.app + "\"";
    if (login.integrated_security) {
        return refuse_login(login.user,
                            {ServerMessage{18452, 1, 14,
                                           "Login failed. The login is from an untrusted domain and cannot be used with "
                                           "Integrated authentication.",
                                           {}, 1}},
                            "integrated authentication is not supported");
    }
    if (fail.mode.kind == FailMode::Kind::Login) {
        return refuse_login(login.user, {login_failed(login.user)}, "fail mode login (" + summary + ")");
    }
    const Account* account = settings_.find_account(login.user);
    if (account == nullptr || account->password != login.password) {
        return refuse_login(login.user, {login_failed(login.user)},
                            account == nullptr ? "unknown user" : "wrong password");
    }
    std::string database = login.database.empty() ? settings_.databases.front() : settings_.find_database(login.database);
    if (database.empty()) {
        return refuse_login(login.user,
                            {ServerMessage{4060, 1, 11,
                                           "Cannot open database \"" + login.database +
                                               "\" requested by the login. The login failed.",
                                           {}, 1},
                             login_failed(login.user)},
                            "unknown database \"" + login.database + "\"");
    }

    std::size_t packet_size = login.packet_size == 0 ? kDefaultPacketSize : login.packet_size;
    packet_size = std::clamp(packet_size, kMinPacketSize, kMaxPacketSize);
    state_.user = login.user;
    state_.login_database = database;
    state_.database = database;

    TokenStream tokens(state_.version);
    tokens.env_database(database, "master");
    tokens.message(ServerMessage{5701, 2, 0, "Changed database context to '" + database + "'.", {}, 1});
    if (state_.version.has_collations()) {
        tokens.env_collation();
    }
    tokens.env_language(std::string(kLanguage), {});
    tokens.message(ServerMessage{5703, 1, 0, "Changed language setting to us_english.", {}, 1});
    tokens.login_ack();
    if (login.feature_ext && state_.version.has_feature_ext()) {
        tokens.feature_ext_ack_none();
    }
    tokens.env_packet_size(packet_size, kDefaultPacketSize);
    tokens.done(DoneKind::Done, done_status::kFinal, current_command::kNone);
    send_tokens(tokens);
    channel_.set_packet_size(packet_size);
    log("login", summary + " packet=" + std::to_string(packet_size) + " -> ok");
    return true;
}

void Session::serve()
{
    const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(settings_.idle_timeout);
    for (;;) {
        auto received = channel_.receive(idle);
        switch (received.status) {
        case IoStatus::Ok:
            handle(received.message);
            break;
        case IoStatus::TimedOut:
            log("closed", "idle for " + std::to_string(settings_.idle_timeout.count()) + " s");
            return;
        case IoStatus::Stopped:
            log("closed", "server stopping");
            return;
        case IoStatus::Closed:
            log("closed", "client disconnected");
            return;
        }
    }
}

void Session::handle(const Message& message)
{
    switch (static_cast<PacketType>(message.type)) {
    case PacketType::SqlBatch:
        handle_batch(message);
        return;
    case PacketType::Rpc:
        handle_rpc(message);
        return;
    case PacketType::Attention:
        // Nothing is running, so the attention only needs its acknowledgement.
        send_attention_ack();
        log("attention", "acknowledged");
        return;
    case PacketType::TransactionManager: {
        TokenStream tokens(state_.version);
        tokens.message(ServerMessage{50000, 1, 16,
                                     "dw_tds_server does not support transaction manager requests; use autocommit.",
                                     {}, 1});
        tokens.done(DoneKind::Done, done_status::kError, current_command::kNone);
        send_tokens(tokens);
        log("txn", "refused: transaction manager requests are not supported");
        return;
    }
    default:
        throw ProtocolError("unexpected message type " + std::to_string(message.type) + " after login");
    }
}

void Session::handle_batch(const Message& message)
{
    ByteReader reader(message.payload);
    if (state_.version.has_all_headers()) {
        skip_all_headers(reader);
    }
    if (reader.remaining() % 2 != 0) {
        throw ProtocolError("SQL batch text has an odd number of bytes");
    }
    const std::string sql = utf16_to_utf8(reader.ucs2(reader.remaining() / 2));
    const auto fail = fail_source_.current();
    if (!fail.warning.empty()) {
        log("control", fail.warning);
    }
    TokenStream tokens(state_.version);
    if (message.reset_connection) {
        state_.reset();
        if (state_.version.has_all_headers()) {
            tokens.env_reset_connection();
        }
    }
    RequestExecutor executor(state_, settings_, fail.mode, *this);
    try {
        executor.run_batch(sql, tokens);
    } catch (const RequestCancelled&) {
        send_attention_ack();
        log("batch", loggable(sql) + " -> cancelled by attention");
        return;
    }
    send_tokens(tokens);
    log("batch", loggable(sql) + " -> " + executor.outcome());
}

void Session::handle_rpc(const Message& message)
{
    TokenStream tokens(state_.version);
    if (message.reset_connection) {
        state_.reset();
        if (state_.version.has_all_headers()) {
            tokens.env_reset_connection();
        }
    }
    std::vector<RpcCall> calls;
    try {
        calls = parse_rpc_request(message.payload, state_.version);
    } catch (const UnsupportedType& e) {
        tokens.message(ServerMessage{8009, 1, 16,
                                     "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol "
                                     "stream is incorrect. " + std::string(e.what()) + ".",
                                     {}, 1});
        tokens.done(DoneKind::DoneProc, done_status::kError, current_command::kExecute);
        send_tokens(tokens);
        log("rpc", std::string("refused: ") + e.what());
        return;
    }
    const auto fail = fail_source_.current();
    if (!fail.warning.empty()) {
        log("control", fail.warning);
    }
    RequestExecutor executor(state_, settings_, fail.mode, *this);
    try {
        executor.run_rpc(calls, tokens);
    } catch (const RequestCancelled&) {
        send_attention_ack();
        log("rpc", describe_rpc(calls) + " -> cancelled by attention");
        return;
    }
    send_tokens(tokens);
    log("rpc", describe_rpc(calls) + " -> " + executor.outcome());
}

void Session::send_tokens(const TokenStream& tokens)
{
    if (!channel_.send(PacketType::TabularResult, tokens.bytes())) {
        throw ConnectionDropped("client stopped taking the answer");
    }
}

void Session::send_attention_ack()
{
    TokenStream tokens(state_.version);
    tokens.done(DoneKind::Done, done_status::kAttention, current_command::kNone);
    send_tokens(tokens);
}

Pacer::Wake Session::pause(std::chrono::seconds duration)
{
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
        // Rounded up, so that the pause never ends before its deadline.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return Wake::Elapsed;
        }
        switch (channel_.wait_readable(left)) {
        case IoStatus::TimedOut:
            return Wake::Elapsed;
        case IoStatus::Stopped:
        case IoStatus::Closed:
            return Wake::Gone;
        case IoStatus::Ok:
            break;
        }
        // Only an attention may arrive while a request runs.
        const auto received = channel_.receive(std::chrono::milliseconds(0));
        if (received.status != IoStatus::Ok) {
            return Wake::Gone;
        }
        if (received.message.type == static_cast<std::uint8_t>(PacketType::Attention)) {
            return Wake::Attention;
        }
        throw ProtocolError("message type " + std::to_string(received.message.type) +
                            " arrived while a request was still running");
    }
}

}  // namespace dw::tds
