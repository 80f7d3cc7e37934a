#include "create_bak_file.h"

#include <cerrno>
#include <chrono>
#include <ctime>

#include "bak_file.h"
#include "text.h"

namespace dw::tds {
namespace {

constexpr std::int32_t kFailedStatus = -6;

ServerMessage proc_error(std::int32_t number, std::string text, std::uint8_t state = 1)
{
    return ServerMessage{number, state, 16, std::move(text), std::string(kCreateBakFile), 1};
}

ServerMessage backup_terminated()
{
    return proc_error(3013, "BACKUP DATABASE is terminating abnormally.");
}

ProcedureOutcome failed(std::vector<ServerMessage> messages, std::string summary)
{
    ProcedureOutcome outcome;
    outcome.messages = std::move(messages);
    outcome.return_status = kFailedStatus;
    outcome.summary = std::move(summary);
    return outcome;
}

std::tm local_now()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

// The device path as the client would write it: with its own kind of separator.
std::string device_path(const std::string& dir, const std::string& name)
{
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) {
        return dir + name;
    }
    const bool posix_style = dir.find('/') != std::string::npos && dir.find('\\') == std::string::npos;
    return dir + (posix_style ? "/" : "\\") + name;
}

}  // namespace

OsError windows_error_for(int error_number)
{
    switch (error_number) {
    case ENOENT:
    case ENOTDIR:
        return {3, "The system cannot find the path specified."};
    case EACCES:
    case EPERM:
    case EROFS:
        return {5, "Access is denied."};
    case ENOSPC:
    case EDQUOT:
        return {112, "There is not enough space on the disk."};
    case ENAMETOOLONG:
        return {206, "The filename or extension is too long."};
    default:
        return {1117, "The request could not be performed because of an I/O device error."};
    }
}

ProcedureOutcome run_create_bak_file(const std::vector<Argument>& args, const ServerSettings& settings,
                                     const FailMode& fail, Pacer& pacer)
{
    if (fail.kind == FailMode::Kind::Drop) {
        throw ConnectionDropped("CreateBakFile called in fail mode drop: connection closed");
    }
    if (fail.kind == FailMode::Kind::Slow) {
        const Pacer::Wake wake = pacer.pause(std::chrono::seconds(fail.seconds));
        if (wake == Pacer::Wake::Attention) {
            throw RequestCancelled();
        }
        if (wake == Pacer::Wake::Gone) {
            throw ConnectionDropped("client left while CreateBakFile was answering slowly");
        }
    }

    const auto bound = bind_arguments(kCreateBakFile, {"@DB", "@ToDir"}, args);
    if (const auto* message = std::get_if<ServerMessage>(&bound)) {
        return failed({*message}, "error " + std::to_string(message->number) + ": " + message->text);
    }
    const auto& values = std::get<std::vector<ParamValue>>(bound);
    const ParamValue& db = values[0];
    const ParamValue& to_dir = values[1];
    // The log line of the request already shows the arguments as the client sent them.
    const std::string call = "CreateBakFile";
    for (const auto& [value, name] : {std::pair{&db, "@DB"}, std::pair{&to_dir, "@ToDir"}}) {
        if (value->is_null) {
            return failed({proc_error(50000, std::string("CreateBakFile: ") + name + " must not be NULL.")},
                          call + " -> " + name + " is NULL");
        }
        if (!value->text) {
            return failed({proc_error(8114, std::string("Error converting data type of ") + name + " to nvarchar.")},
                          call + " -> " + name + " is not text");
        }
    }

    if (fail.kind == FailMode::Kind::ProcError) {
        return failed({proc_error(50000, "CreateBakFile failed: the stand-in server was told to fail "
                                         "(--fail proc-error); no backup was written.")},
                      call + " -> error (fail mode proc-error)");
    }

    const std::string database = settings.find_database(*db.text);
    if (database.empty()) {
        return failed({proc_error(911, "Database '" + *db.text +
                                           "' does not exist. Make sure that the name is entered correctly."),
                       backup_terminated()},
                      call + " -> error 911 unknown database");
    }

    // The same refusal as sql/CreateBakFile.sql: a directory of blanks only names no folder.
    if (to_dir.text->find_first_not_of(" \t") == std::string::npos) {
        return failed({proc_error(50000, "CreateBakFile: @ToDir must not be empty.")}, call + " -> @ToDir is empty");
    }

    const std::string local_dir = settings.paths.to_local(*to_dir.text);
    const std::tm now = local_now();
    const BakWriteResult written =
        local_dir.empty() ? BakWriteResult{false, {}, ENOENT}
                          : write_bak_file(local_dir, database, now, settings.bak_size);
    if (!written.ok) {
        const OsError os = windows_error_for(written.os_error);
        const std::string device = device_path(*to_dir.text, bak_file_name(database, now));
        return failed({proc_error(3201, "Cannot open backup device '" + device + "'. Operating system error " +
                                            std::to_string(os.code) + "(" + os.text + ")."),
                       backup_terminated()},
                      call + " -> error 3201 at " + local_dir + " (errno " + std::to_string(written.os_error) + ")");
    }

    ProcedureOutcome outcome;
    outcome.summary = call + " -> " + written.file_name + " (" + std::to_string(settings.bak_size) +
                      " bytes in " + local_dir + ")";
    if (fail.kind == FailMode::Kind::NoResult) {
        outcome.summary += ", no result set (fail mode no-result)";
        return outcome;
    }
    outcome.result = ResultSet{{Column{"FileName", ColumnKind::NVarChar}}, {{Cell{written.file_name}}}};
    return outcome;
}

}  // namespace dw::tds
