#pragma once

#include <cstdint>
#include <string>

#include "message_channel.h"
#include "request_interrupts.h"
#include "request_log.h"
#include "server_settings.h"
#include "session_state.h"
#include "token_stream.h"
#include "unique_fd.h"

namespace dw::tds {

// One client connection from PRELOGIN to its end: login, then requests until the client leaves,
// idles too long, breaks the protocol or the server stops. Never throws; every end is logged.
class Session : private Pacer {
public:
    Session(UniqueFd socket, std::string peer, std::uint16_t spid, const ServerSettings& settings, RequestLog& log,
            int stop_fd);

    void run();

private:
    bool log_in();
    bool answer_login(const Message& message);
    bool refuse_login(const std::string& user, std::initializer_list<ServerMessage> messages,
                      const std::string& reason);
    void serve();
    void handle(const Message& message);
    void handle_batch(const Message& message);
    void handle_rpc(const Message& message);
    // Throws ConnectionDropped when the client does not take the answer.
    void send_tokens(const TokenStream& tokens);
    void send_attention_ack();
    void log(std::string_view kind, std::string_view summary) { log_.write(client_, kind, summary); }

    Wake pause(std::chrono::seconds duration) override;

    UniqueFd socket_;
    std::string client_;
    const ServerSettings& settings_;
    RequestLog& log_;
    MessageChannel channel_;
    SessionState state_;
    FailModeSource fail_source_;
};

}  // namespace dw::tds
