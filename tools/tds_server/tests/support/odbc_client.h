#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <optional>
#include <string>

namespace dw::tds::test {

constexpr const char* kFreeTdsDriver = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";

// A DSN-less FreeTDS connection string. Values holding ';', braces, quotes or spaces are put in
// {...}. FreeTDS 1.3 does not undo a doubled '}' inside braces: it ends the value at the first '}'
// followed by ';' (so a value containing "};" cannot be passed at all: this throws), and a braced
// value at the very end of the string keeps its closing brace, so the string ends with ';'.
std::string freetds_connection_string(std::uint16_t port, const std::string& user, const std::string& password,
                                      const std::string& database, const std::string& tds_version = "7.4");

struct OdbcOutcome {
    bool ok = false;  // SQL_SUCCESS or SQL_SUCCESS_WITH_INFO
    SQLRETURN return_code = SQL_ERROR;
    std::string diagnostics;  // every diagnostic record, "SQLSTATE native text" per line
    std::optional<std::string> first_value;  // column 0 of the first row, when there is one
    int columns = 0;
};

// The real client stack: unixODBC with FreeTDS's driver. Owns its handles.
class OdbcClient {
public:
    OdbcClient();
    ~OdbcClient();
    OdbcClient(const OdbcClient&) = delete;
    OdbcClient& operator=(const OdbcClient&) = delete;

    OdbcOutcome connect(const std::string& connection_string);
    // Runs sql with the two parameters bound as SQL_C_WCHAR / SQL_WVARCHAR(50) and (250), the way the
    // program calls CreateBakFile, and reads column 0 of the first row.
    OdbcOutcome call(const std::string& sql, const std::u16string& db, const std::u16string& to_dir,
                     long query_timeout_seconds = 0);
    OdbcOutcome execute(const std::string& sql);

private:
    OdbcOutcome run(const std::string& sql, const std::u16string* db, const std::u16string* to_dir,
                    long query_timeout_seconds);

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

}  // namespace dw::tds::test
