#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "result_set.h"
#include "server_message.h"
#include "tds_version.h"

namespace dw::tds {

namespace done_status {
constexpr std::uint16_t kFinal = 0x0000;
constexpr std::uint16_t kMore = 0x0001;
constexpr std::uint16_t kError = 0x0002;
constexpr std::uint16_t kCount = 0x0010;
constexpr std::uint16_t kAttention = 0x0020;
}  // namespace done_status

namespace current_command {
constexpr std::uint16_t kNone = 0x0000;
constexpr std::uint16_t kSelect = 0x00C1;
constexpr std::uint16_t kExecute = 0x00E0;
}  // namespace current_command

enum class DoneKind : std::uint8_t { Done = 0xFD, DoneProc = 0xFE, DoneInProc = 0xFF };

// Appends the tokens of one response, in the encoding of the agreed protocol level.
class TokenStream {
public:
    explicit TokenStream(TdsVersion version) : version_(version) {}

    void message(const ServerMessage& msg);
    void env_database(const std::string& now, const std::string& before);
    void env_language(const std::string& now, const std::string& before);
    void env_packet_size(std::size_t now, std::size_t before);
    void env_collation();
    void env_reset_connection();
    void login_ack();
    void feature_ext_ack_none();
    void result_set(const ResultSet& result);
    void return_status(std::int32_t status);
    void return_value_int(std::uint16_t ordinal, const std::string& name, std::optional<std::int32_t> value);
    void done(DoneKind kind, std::uint16_t status, std::uint16_t command, std::uint64_t row_count = 0);

    bool has_error() const { return has_error_; }
    bool empty() const { return out_.size() == 0; }
    const std::vector<std::uint8_t>& bytes() const { return out_.data(); }

private:
    void columns(const std::vector<Column>& cols);
    void row(const std::vector<Column>& cols, const std::vector<Cell>& cells);
    void nvarchar_type(std::uint16_t max_bytes);
    void user_type();

    TdsVersion version_;
    ByteWriter out_;
    bool has_error_ = false;
};

// SQL_Latin1_General_CP1_CI_AS: the collation of the server, its databases and its text columns.
constexpr std::array<std::uint8_t, 5> kCollation{0x09, 0x04, 0xD0, 0x00, 0x34};

}  // namespace dw::tds
