#pragma once

#include <vector>

#include "fail_mode.h"
#include "procedure_call.h"
#include "request_interrupts.h"
#include "server_settings.h"

namespace dw::tds {

constexpr std::string_view kCreateBakFile = "CreateBakFile";

// The stored procedure CreateBakFile @DB, @ToDir: checks the database against the configured list,
// maps ToDir to a local directory, writes the backup file there and returns its bare name as one row
// of one nvarchar column. Errors are SQL Server's own for a failed BACKUP (3201/3013, 911).
// The fail mode may make it drop the connection (throws ConnectionDropped), answer late (may throw
// RequestCancelled), raise an error, or return no result set.
ProcedureOutcome run_create_bak_file(const std::vector<Argument>& args, const ServerSettings& settings,
                                     const FailMode& fail, Pacer& pacer);

// Windows' number and text for the errno of a failed file operation, as SQL Server quotes them.
struct OsError {
    int code;
    const char* text;
};
OsError windows_error_for(int error_number);

}  // namespace dw::tds
