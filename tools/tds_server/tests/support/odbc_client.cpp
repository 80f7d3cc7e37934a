#include "odbc_client.h"

#include <stdexcept>
#include <vector>

namespace dw::tds::test {
namespace {

std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    std::string text;
    SQLCHAR state[6];
    SQLCHAR message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length) == SQL_SUCCESS;
         ++i) {
        text += reinterpret_cast<const char*>(state) + std::string(" ") + std::to_string(native) + " " +
                reinterpret_cast<const char*>(message) + "\n";
    }
    return text;
}

std::string quote(const std::string& value)
{
    if (value.find_first_of(";{}'\" ") == std::string::npos) {
        return value;
    }
    if (value.find("};") != std::string::npos) {
        throw std::invalid_argument("FreeTDS cannot take a connection string value containing \"};\"");
    }
    return "{" + value + "}";
}

}  // namespace

std::string freetds_connection_string(std::uint16_t port, const std::string& user, const std::string& password,
                                      const std::string& database, const std::string& tds_version)
{
    return std::string("Driver=") + kFreeTdsDriver + ";Server=127.0.0.1;Port=" + std::to_string(port) +
           ";TDS_Version=" + tds_version + ";ClientCharset=UTF-8;UID=" + quote(user) + ";PWD=" + quote(password) +
           ";Database=" + quote(database) + ";";  // FreeTDS keeps the '}' of a braced value at the very end
}

OdbcClient::OdbcClient()
{
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
}

OdbcClient::~OdbcClient()
{
    if (connected_) {
        SQLDisconnect(dbc_);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

OdbcOutcome OdbcClient::connect(const std::string& connection_string)
{
    OdbcOutcome outcome;
    SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(5), 0);
    std::vector<SQLCHAR> text(connection_string.begin(), connection_string.end());
    text.push_back(0);
    const SQLRETURN rc =
        SQLDriverConnect(dbc_, nullptr, text.data(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    outcome.return_code = rc;
    outcome.ok = SQL_SUCCEEDED(rc);
    connected_ = outcome.ok;
    outcome.diagnostics = diagnostics(SQL_HANDLE_DBC, dbc_);
    return outcome;
}

OdbcOutcome OdbcClient::call(const std::string& sql, const std::u16string& db, const std::u16string& to_dir,
                             long query_timeout_seconds)
{
    return run(sql, &db, &to_dir, query_timeout_seconds);
}

OdbcOutcome OdbcClient::execute(const std::string& sql)
{
    return run(sql, nullptr, nullptr, 0);
}

OdbcOutcome OdbcClient::run(const std::string& sql, const std::u16string* db, const std::u16string* to_dir,
                            long query_timeout_seconds)
{
    OdbcOutcome outcome;
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement);
    if (query_timeout_seconds > 0) {
        SQLSetStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(query_timeout_seconds), 0);
    }
    SQLLEN db_length = db != nullptr ? static_cast<SQLLEN>(db->size() * 2) : 0;
    SQLLEN dir_length = to_dir != nullptr ? static_cast<SQLLEN>(to_dir->size() * 2) : 0;
    if (db != nullptr) {
        SQLBindParameter(statement, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 50, 0,
                         const_cast<char16_t*>(db->data()), 0, &db_length);
        SQLBindParameter(statement, 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 250, 0,
                         const_cast<char16_t*>(to_dir->data()), 0, &dir_length);
    }
    std::u16string wide(sql.begin(), sql.end());
    const SQLRETURN rc =
        SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR*>(wide.data()), static_cast<SQLINTEGER>(wide.size()));
    outcome.return_code = rc;
    outcome.ok = SQL_SUCCEEDED(rc);
    outcome.diagnostics = diagnostics(SQL_HANDLE_STMT, statement);
    if (outcome.ok) {
        SQLSMALLINT columns = 0;
        SQLNumResultCols(statement, &columns);
        outcome.columns = columns;
        if (columns > 0 && SQL_SUCCEEDED(SQLFetch(statement))) {
            char value[512] = {};
            SQLLEN indicator = 0;
            if (SQL_SUCCEEDED(SQLGetData(statement, 1, SQL_C_CHAR, value, sizeof value, &indicator)) &&
                indicator != SQL_NULL_DATA) {
                outcome.first_value = value;
            }
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return outcome;
}

}  // namespace dw::tds::test
