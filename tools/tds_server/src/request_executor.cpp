#include "request_executor.h"

#include "create_bak_file.h"
#include "select_values.h"
#include "sql_lexer.h"
#include "text.h"

namespace dw::tds {
namespace {

constexpr std::size_t kMaxPrepared = 1024;
constexpr std::size_t kMaxQuotedSql = 200;

DoneKind statement_done(bool in_rpc)
{
    return in_rpc ? DoneKind::DoneInProc : DoneKind::Done;
}

ServerMessage error(std::int32_t number, std::string text, std::uint8_t severity = 16, std::uint8_t state = 1,
                    std::string procedure = {})
{
    return ServerMessage{number, state, severity, std::move(text), std::move(procedure), 1};
}

// "master.dbo.sp_executesql" and "[dbo].[CreateBakFile]" name the procedures of their last part.
std::string base_name(const std::string& name)
{
    try {
        const auto tokens = tokenize_sql(name);
        for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
            if (it->is_name()) {
                return it->text;
            }
        }
    } catch (const SqlSyntaxError&) {
    }
    return name;
}

// The variable names of a declaration such as "@P1 nvarchar(50),@P2 nvarchar(250) OUTPUT".
std::vector<std::string> declared_names(const std::string& declaration)
{
    std::vector<std::string> names;
    int depth = 0;
    bool expect_name = true;
    for (const auto& token : tokenize_sql(declaration)) {
        if (token.is_symbol('(')) {
            ++depth;
        } else if (token.is_symbol(')')) {
            --depth;
        } else if (token.is_symbol(',') && depth == 0) {
            expect_name = true;
        } else if (expect_name && token.kind == SqlTokenKind::Variable) {
            names.push_back(token.text);
            expect_name = false;
        }
    }
    return names;
}

const ParamValue* param_value(const RpcCall& call, std::size_t index)
{
    return index < call.params.size() ? &call.params[index].value : nullptr;
}

std::string param_text(const RpcCall& call, std::size_t index)
{
    const ParamValue* value = param_value(call, index);
    return value != nullptr && value->text ? *value->text : std::string();
}

}  // namespace

RequestExecutor::RequestExecutor(SessionState& state, const ServerSettings& settings, const FailMode& fail,
                                 Pacer& pacer)
    : state_(state), settings_(settings), fail_(fail), pacer_(pacer)
{
}

std::string RequestExecutor::outcome() const
{
    if (notes_.empty()) {
        return "ok";
    }
    std::string text;
    for (const auto& n : notes_) {
        text += text.empty() ? n : "; " + n;
    }
    return text;
}

void RequestExecutor::note(std::string text)
{
    notes_.push_back(std::move(text));
}

void RequestExecutor::emit(const ServerMessage& message, TokenStream& out)
{
    out.message(message);
    if (message.severity > 10) {
        note("error " + std::to_string(message.number) + ": " + message.text);
    }
}

void RequestExecutor::run_batch(std::string_view sql, TokenStream& out)
{
    run_sql(sql, {}, Scope::Batch, out);
}

void RequestExecutor::run_sql(std::string_view sql, const Bindings& bindings, Scope scope, TokenStream& out)
{
    const bool in_rpc = scope == Scope::InRpc;
    std::vector<std::vector<SqlToken>> statements;
    try {
        statements = split_statements(tokenize_sql(sql));
    } catch (const SqlSyntaxError& e) {
        emit(error(e.number(), e.what(), 15), out);
        out.done(statement_done(in_rpc), static_cast<std::uint16_t>((in_rpc ? done_status::kMore : 0) | done_status::kError),
                 current_command::kNone);
        return;
    }
    if (statements.empty() && !in_rpc) {
        out.done(DoneKind::Done, done_status::kFinal, current_command::kNone);
        return;
    }
    for (std::size_t i = 0; i < statements.size(); ++i) {
        run_statement(interpret_statement(statements[i], i == 0), bindings, scope, i + 1 == statements.size(), out);
    }
}

void RequestExecutor::run_statement(const Statement& statement, const Bindings& bindings, Scope scope, bool last,
                                    TokenStream& out)
{
    const bool in_rpc = scope == Scope::InRpc;
    const std::uint16_t more = (in_rpc || !last) ? done_status::kMore : done_status::kFinal;
    const DoneKind done = statement_done(in_rpc);
    if (const auto* exec = std::get_if<ExecStatement>(&statement)) {
        run_exec(*exec, bindings, scope, last, out);
    } else if (const auto* use = std::get_if<UseStatement>(&statement)) {
        run_use(*use, more, done, out);
    } else if (const auto* select = std::get_if<SelectStatement>(&statement)) {
        const auto result = evaluate_select(*select, {state_.spid, state_.user, state_.database});
        if (const auto* rows = std::get_if<ResultSet>(&result)) {
            out.result_set(*rows);
            out.done(done, static_cast<std::uint16_t>(more | done_status::kCount), current_command::kSelect,
                     rows->rows.size());
        } else {
            emit(std::get<ServerMessage>(result), out);
            out.done(done, static_cast<std::uint16_t>(more | done_status::kError), current_command::kSelect);
        }
    } else if (std::holds_alternative<QuietStatement>(statement)) {
        out.done(done, more, current_command::kNone);
    } else {
        const auto& unsupported = std::get<UnsupportedStatement>(statement);
        emit(error(50000, "dw_tds_server, a stand-in for development and tests, runs only EXEC CreateBakFile, USE, "
                          "SET, transaction statements and SELECT of constants or @@variables; not: " +
                              loggable(unsupported.text, kMaxQuotedSql)),
             out);
        out.done(done, static_cast<std::uint16_t>(more | done_status::kError), current_command::kNone);
    }
}

void RequestExecutor::run_use(const UseStatement& use, std::uint16_t more, DoneKind done, TokenStream& out)
{
    const std::string database = settings_.find_database(use.database);
    if (database.empty()) {
        emit(error(911, "Database '" + use.database + "' does not exist. Make sure that the name is entered correctly."),
             out);
        out.done(done, static_cast<std::uint16_t>(more | done_status::kError), current_command::kNone);
        return;
    }
    if (database != state_.database) {
        out.env_database(database, state_.database);
        out.message(ServerMessage{5701, 2, 0, "Changed database context to '" + database + "'.", {}, 1});
        state_.database = database;
    }
    out.done(done, more, current_command::kNone);
}

void RequestExecutor::run_exec(const ExecStatement& exec, const Bindings& bindings, Scope scope, bool last,
                               TokenStream& out)
{
    const bool in_rpc = scope == Scope::InRpc;
    const std::uint16_t more = (in_rpc || !last) ? done_status::kMore : done_status::kFinal;
    std::vector<Argument> args;
    for (const auto& written : exec.args) {
        Argument arg;
        arg.name = written.name;
        switch (written.kind) {
        case ExecArgument::Kind::Literal:
            arg.value.is_null = false;
            arg.value.text = written.text;
            break;
        case ExecArgument::Kind::Null:
            break;
        case ExecArgument::Kind::Default:
            arg.use_default = true;
            break;
        case ExecArgument::Kind::Variable: {
            const auto found = bindings.find(fold_case(written.text));
            if (found == bindings.end()) {
                emit(error(137, "Must declare the scalar variable \"" + written.text + "\".", 15, 2), out);
                out.done(statement_done(in_rpc), static_cast<std::uint16_t>(more | done_status::kError),
                         current_command::kExecute);
                return;
            }
            arg.value = found->second;
            break;
        }
        }
        args.push_back(std::move(arg));
    }
    run_procedure(exec.procedure, args, !in_rpc, more, out);
}

void RequestExecutor::run_procedure(const std::string& name, const std::vector<Argument>& args, bool outermost,
                                    std::uint16_t more, TokenStream& out)
{
    const std::uint16_t more_or_inner = outermost ? more : done_status::kMore;
    if (!equals_ignoring_case(name, kCreateBakFile)) {
        emit(error(2812, "Could not find stored procedure '" + name + "'.", 16, 62), out);
        out.done(outermost ? DoneKind::DoneProc : DoneKind::DoneInProc,
                 static_cast<std::uint16_t>(more_or_inner | done_status::kError), current_command::kExecute);
        return;
    }
    const ProcedureOutcome outcome = run_create_bak_file(args, settings_, fail_, pacer_);
    note(outcome.summary);
    for (const auto& message : outcome.messages) {
        out.message(message);
    }
    const std::uint16_t error_flag = outcome.messages.empty() ? 0 : done_status::kError;
    if (outcome.result) {
        out.result_set(*outcome.result);
        out.done(DoneKind::DoneInProc, done_status::kMore | done_status::kCount, current_command::kSelect,
                 outcome.result->rows.size());
    }
    if (outermost) {
        out.return_status(outcome.return_status);
        out.done(DoneKind::DoneProc, static_cast<std::uint16_t>(more | error_flag), current_command::kExecute);
    } else if (!outcome.result || error_flag != 0) {
        out.done(DoneKind::DoneInProc, static_cast<std::uint16_t>(done_status::kMore | error_flag),
                 current_command::kExecute);
    }
}

void RequestExecutor::run_rpc(const std::vector<RpcCall>& calls, TokenStream& out)
{
    for (std::size_t i = 0; i < calls.size(); ++i) {
        run_rpc_call(calls[i], i + 1 == calls.size(), out);
    }
}

void RequestExecutor::run_rpc_call(const RpcCall& call, bool last, TokenStream& out)
{
    const std::uint16_t more = last ? done_status::kFinal : done_status::kMore;
    const std::string name = base_name(call.procedure());
    const auto is = [&](std::uint16_t id, std::string_view proc) {
        return call.proc_id == id || (call.proc_id == 0 && equals_ignoring_case(name, proc));
    };
    if (is(proc_id::kExecuteSql, "sp_executesql")) {
        run_execute_sql(call, more, out);
    } else if (is(proc_id::kPrepExec, "sp_prepexec")) {
        run_prepare(call, true, more, out);
    } else if (is(proc_id::kPrepare, "sp_prepare")) {
        run_prepare(call, false, more, out);
    } else if (is(proc_id::kExecute, "sp_execute")) {
        run_execute_prepared(call, more, out);
    } else if (is(proc_id::kUnprepare, "sp_unprepare")) {
        run_unprepare(call, more, out);
    } else if (call.proc_id != 0) {
        emit(error(2812, "Could not find stored procedure '" + call.procedure() + "'.", 16, 62), out);
        out.done(DoneKind::DoneProc, static_cast<std::uint16_t>(more | done_status::kError), current_command::kExecute);
    } else {
        std::vector<Argument> args;
        for (const auto& param : call.params) {
            args.push_back(Argument{param.name, param.value, param.use_default});
        }
        run_procedure(name, args, true, more, out);
    }
}

void RequestExecutor::end_rpc(bool error_seen, std::uint16_t more, TokenStream& out)
{
    out.done(DoneKind::DoneProc, static_cast<std::uint16_t>(more | (error_seen ? done_status::kError : 0)),
             current_command::kExecute);
}

bool RequestExecutor::run_parameterized(const std::string& sql, const std::vector<std::string>& names,
                                        const RpcCall& call, std::size_t first_value, TokenStream& out)
{
    Bindings bindings;
    for (std::size_t i = first_value; i < call.params.size(); ++i) {
        const RpcParam& param = call.params[i];
        const std::size_t position = i - first_value;
        const std::string name = !param.name.empty() ? param.name
                                 : position < names.size() ? names[position]
                                                           : std::string();
        if (!name.empty()) {
            bindings[fold_case(name)] = param.value;
        }
    }
    for (const auto& name : names) {
        if (bindings.find(fold_case(name)) == bindings.end()) {
            emit(error(8178, "The parameterized query '" + loggable(sql, kMaxQuotedSql) + "' expects the parameter '" +
                                 name + "', which was not supplied."),
                 out);
            return false;
        }
    }
    run_sql(sql, bindings, Scope::InRpc, out);
    return true;
}

void RequestExecutor::run_execute_sql(const RpcCall& call, std::uint16_t more, TokenStream& out)
{
    const bool errors_before = out.has_error();
    const ParamValue* statement = param_value(call, 0);
    if (statement == nullptr || statement->is_null || !statement->text) {
        emit(error(214, "Procedure expects parameter '@statement' of type 'ntext/nchar/nvarchar'."), out);
        out.return_status(-1);
        end_rpc(true, more, out);
        return;
    }
    std::vector<std::string> names;
    try {
        names = declared_names(param_text(call, 1));
    } catch (const SqlSyntaxError& e) {
        emit(error(e.number(), e.what(), 15), out);
        out.return_status(-1);
        end_rpc(true, more, out);
        return;
    }
    const bool ran = run_parameterized(*statement->text, names, call, 2, out);
    out.return_status(ran && out.has_error() == errors_before ? 0 : -6);
    end_rpc(out.has_error() != errors_before, more, out);
}

void RequestExecutor::run_prepare(const RpcCall& call, bool execute, std::uint16_t more, TokenStream& out)
{
    const bool errors_before = out.has_error();
    // sp_prepare / sp_prepexec: @handle OUTPUT, @params, @stmt [, @options | values ...]
    const ParamValue* statement = param_value(call, 2);
    if (statement == nullptr || statement->is_null || !statement->text) {
        emit(error(214, "Procedure expects parameter '@stmt' of type 'ntext/nchar/nvarchar'."), out);
        out.return_status(-1);
        end_rpc(true, more, out);
        return;
    }
    if (state_.prepared.size() >= kMaxPrepared) {
        emit(error(50000, "dw_tds_server keeps at most " + std::to_string(kMaxPrepared) +
                              " prepared statements per connection; unprepare some first."),
             out);
        out.return_status(-1);
        end_rpc(true, more, out);
        return;
    }
    PreparedStatement prepared;
    prepared.sql = *statement->text;
    try {
        prepared.parameter_names = declared_names(param_text(call, 1));
    } catch (const SqlSyntaxError& e) {
        emit(error(e.number(), e.what(), 15), out);
        out.return_status(-1);
        end_rpc(true, more, out);
        return;
    }
    const std::int32_t handle = state_.next_handle++;
    state_.prepared[handle] = prepared;
    bool ran = true;
    if (execute) {
        ran = run_parameterized(prepared.sql, prepared.parameter_names, call, 3, out);
    }
    out.return_status(ran && out.has_error() == errors_before ? 0 : -6);
    out.return_value_int(0, call.params.empty() ? std::string() : call.params[0].name, handle);
    end_rpc(out.has_error() != errors_before, more, out);
}

void RequestExecutor::run_execute_prepared(const RpcCall& call, std::uint16_t more, TokenStream& out)
{
    const bool errors_before = out.has_error();
    const ParamValue* handle = param_value(call, 0);
    const auto found = handle != nullptr && handle->integer
                           ? state_.prepared.find(static_cast<std::int32_t>(*handle->integer))
                           : state_.prepared.end();
    if (found == state_.prepared.end()) {
        const std::string shown = handle != nullptr && handle->text ? *handle->text : "NULL";
        emit(error(8179, "Could not find prepared statement with handle " + shown + "."), out);
        out.return_status(-1);
        end_rpc(true, more, out);
        return;
    }
    const PreparedStatement prepared = found->second;
    const bool ran = run_parameterized(prepared.sql, prepared.parameter_names, call, 1, out);
    out.return_status(ran && out.has_error() == errors_before ? 0 : -6);
    end_rpc(out.has_error() != errors_before, more, out);
}

void RequestExecutor::run_unprepare(const RpcCall& call, std::uint16_t more, TokenStream& out)
{
    const ParamValue* handle = param_value(call, 0);
    if (handle != nullptr && handle->integer) {
        state_.prepared.erase(static_cast<std::int32_t>(*handle->integer));
    }
    out.return_status(0);
    end_rpc(false, more, out);
}

}  // namespace dw::tds
