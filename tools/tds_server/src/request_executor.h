#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fail_mode.h"
#include "procedure_call.h"
#include "request_interrupts.h"
#include "rpc_request.h"
#include "server_settings.h"
#include "session_state.h"
#include "sql_statement.h"
#include "token_stream.h"

namespace dw::tds {

// Runs one SQL batch or RPC request of a logged-in session and writes its answer as tokens.
// May throw RequestCancelled or ConnectionDropped (see create_bak_file.h); everything else a
// request can get wrong is answered with SQL Server's error for it.
class RequestExecutor {
public:
    RequestExecutor(SessionState& state, const ServerSettings& settings, const FailMode& fail, Pacer& pacer);

    void run_batch(std::string_view sql, TokenStream& out);
    void run_rpc(const std::vector<RpcCall>& calls, TokenStream& out);

    // What the request came to, for the log: procedure results and errors, or "ok".
    std::string outcome() const;

private:
    using Bindings = std::map<std::string, ParamValue>;  // key: folded variable name
    // Statements of a batch end with DONE; statements run by an RPC (sp_executesql ...) with DONEINPROC.
    enum class Scope { Batch, InRpc };

    void run_sql(std::string_view sql, const Bindings& bindings, Scope scope, TokenStream& out);
    void run_statement(const Statement& statement, const Bindings& bindings, Scope scope, bool last,
                       TokenStream& out);
    void run_use(const UseStatement& use, std::uint16_t more, DoneKind done, TokenStream& out);
    void run_exec(const ExecStatement& exec, const Bindings& bindings, Scope scope, bool last, TokenStream& out);
    // outermost: the procedure is the batch's statement or the RPC itself, so it ends with
    // RETURNSTATUS and DONEPROC; otherwise (inside sp_executesql) with DONEINPROC.
    void run_procedure(const std::string& name, const std::vector<Argument>& args, bool outermost,
                       std::uint16_t more, TokenStream& out);

    void run_rpc_call(const RpcCall& call, bool last, TokenStream& out);
    void run_execute_sql(const RpcCall& call, std::uint16_t more, TokenStream& out);
    void run_prepare(const RpcCall& call, bool execute, std::uint16_t more, TokenStream& out);
    void run_execute_prepared(const RpcCall& call, std::uint16_t more, TokenStream& out);
    void run_unprepare(const RpcCall& call, std::uint16_t more, TokenStream& out);
    // Binds values[first..] to the declared names and runs the statement inside the RPC; false
    // (after reporting the error) when a declared parameter has no value.
    bool run_parameterized(const std::string& sql, const std::vector<std::string>& names, const RpcCall& call,
                           std::size_t first_value, TokenStream& out);
    void end_rpc(bool error, std::uint16_t more, TokenStream& out);

    void emit(const ServerMessage& message, TokenStream& out);
    void note(std::string text);

    SessionState& state_;
    const ServerSettings& settings_;
    const FailMode& fail_;
    Pacer& pacer_;
    std::vector<std::string> notes_;
};

}  // namespace dw::tds
